#pragma once
// What a configuration file needs from the module subsystem, kept narrow so the module side plugs
// in with a thin adapter. The module descriptor itself (name, software type and versions, the
// parameter A selector, Mod_connected) is read from ModuleState; everything else goes through here.

#include <QString>
#include <cstdint>
#include <vector>

namespace dravik {

// One entry of the protocol selection list (a Programmer item).
struct ConfigProtocolEntry {
    std::uint8_t Decode_type = 0;
    std::uint8_t Decode_version = 0;
    std::uint8_t Decode_number = 0;  // slot
    std::uint8_t Decode_group = 0;
};

// The module values a save writes.
struct ConfigModuleSelection {
    std::uint8_t Decode_toSet = 0;  // entry selected in the working protocol list
    std::uint8_t Decode_Version_toSet = 0;
    std::uint8_t Slot_toSet = 0;
    std::uint16_t ParA_toSet = 0;    // selected parameter A word
    std::uint16_t ParB_C_toSet = 0;  // selected parameter B/C word
    std::uint16_t Mdl_Selected_MaxParameter_B_C = 0;
    QString FileProtocolPath;  // empty when the protocol came from the module
    std::vector<ConfigProtocolEntry>
        checked;       // checked entries of checkedListBox_ProtocolSelection, in list order
    QString password;  // text of textBox_modue_password, not scrambled
};

// The module values a compatible file applies.
struct ConfigModuleToApply {
    std::uint8_t Mdl_Selected_Decode = 0;
    std::uint8_t Mdl_Selected_Decode_Version = 0;
    std::uint8_t Mdl_Selected_Slot = 0;
    std::uint16_t Mdl_Selected_MaxParameter_B_C = 0;
    QString FileProtocolPath;
    std::uint16_t Load_ParA = 0;    // preselects the parameter A list
    std::uint16_t Load_ParB_C = 0;  // preselects the parameter B/C list
};

class ConfigModulePort {
  public:
    virtual ~ConfigModulePort() = default;

    virtual ConfigModuleSelection currentSelection() = 0;
    // Unchecks checkBox_AllGroup and deselects every protocol group (SelectDeselect_slots), which
    // clears every check of the protocol selection list.
    virtual void clearProtocolChecks() = 0;
    // Sets Mdl_Selected_Decode, _Decode_Version, _Slot, _MaxParameter_B_C and FileProtocolPath and
    // refills the working protocol list from configuration (Fill_Working_VRAK_Protocols with the
    // module's working slot count, from-configuration on), preselecting the parameter lists.
    virtual void applyModuleParameters(const ConfigModuleToApply& values) = 0;
    // Checks every entry of the protocol selection list with this code, version and group, in
    // whatever slot.
    virtual void checkMatchingProtocols(std::uint8_t decodeType, std::uint8_t decodeVersion,
                                        std::uint8_t decodeGroup) = 0;
};

}  // namespace dravik
