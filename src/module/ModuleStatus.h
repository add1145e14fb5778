#pragma once
// State of the module machine: its states and operations, what the module reported, the values
// to be set and the working counters.

#include <QString>
#include <array>
#include <cstdint>

namespace dravik {

enum EnterModule_state_ENUM : int {
    MODULE_NO_STATE = 0,
    MODULE_START = 1,
    MODULE_SEND = 2,
    MODULE_WAIT_ANSWER = 3,
    MODULE_INFO_DONE = 4,
    MODULE_READ_WORKING = 5,
    MODULE_READ_ALL = 6,
    MODULE_CHECK_PROTECTION = 7,
    MODULE_SET_PROTECTION = 8,
    MODULE_READ_LOGS = 9,
    MODULE_CLEAR_LOGS = 10,
    MODULE_WRITE_SELECTION = 11,
    MODULE_SET_PROTOCOL = 12,
    MODULE_RESTART = 13,
    MODULE_SETUP = 14,
    MODULE_INDEX_SETUP = 15,
    MODULE_DECODE_SETUP = 16,
    MODULE_UNLOCK_FLASH = 17,
    MODULE_LOAD_FILE = 18,
    MODULE_SEND_LINE = 19,
    MODULE_RESET_SELECTION = 20,
    MODULE_OPERATION_END = 21,
    MODULE_STOPPED = 22,
};
inline constexpr int kModuleStates = 23;

// Mdl_OperationToDo values.
enum E_MODULE_OPERATION : std::uint8_t {
    OP_NONE = 0,
    OP_READ_SELECTION = 3,
    OP_SET_PROTOCOL = 4,
    OP_RESET_SELECTION = 6,
    OP_READ_ALL = 7,
    OP_WRITE_SELECTION = 8,
    OP_PROTECTION = 9,
    OP_READ_LOGS = 10,
    OP_CLEAR_LOGS = 11,
};

// Module software types.
inline constexpr std::uint8_t kModuleA1 = 0xA1;
inline constexpr std::uint8_t kModuleA2 = 0xA2;
inline bool isSlotModule(std::uint8_t type) { return type == kModuleA1 || type == kModuleA2; }

struct ModuleStatus {
    std::uint8_t Mdl_OperationToDo = OP_READ_SELECTION;

    // From ACTUAL_SLOT_CONFIGURATION (through the product: from the module info bytes).
    std::uint8_t Mdl_Selected_Decode_Version = 0;
    std::uint8_t Mdl_Selected_Slot = 0;
    std::uint16_t Mdl_Selected_Parameter_B = 0;
    std::uint16_t Mdl_Selected_Parameter_C = 0;
    std::uint8_t Mdl_VRAK_Working_Slots_Number = 0;
    std::uint8_t Mdl_Selected_Decode = 0;
    std::uint16_t Mdl_Selected_Parameter_A = 0;
    std::uint16_t Mdl_Selected_Parameter_B_C = 0;
    std::uint16_t Mdl_Selected_MaxParameter_B_C = 0;
    // From ACTUAL_ALL_SLOT_CONFIGURATION.
    std::uint8_t Mdl_VRAK_All_Slots_Number = 0;
    std::uint8_t Mdl_VRAK_Slots_Protection = 0;  // 0 unlocked, 1 locked
    std::uint8_t Mdl_VRAK_Logs_Number = 0;
    std::array<std::uint8_t, 3> module_data{};  // module info bytes read from product memory

    // Values to be set, from the selection controls or a loaded configuration.
    std::uint16_t Slot_toSet = 0;
    std::uint16_t Decode_toSet = 0;
    std::uint16_t Decode_Version_toSet = 0;
    std::uint16_t ParA_toSet = 0;
    std::uint16_t ParB_C_toSet = 0;
    QString FileProtocolPath;
    // A loaded configuration's parameter words, shown instead of the module's own.
    std::uint16_t Load_Mdl_Selected_Parameter_A = 0;
    std::uint16_t Load_Mdl_Selected_Parameter_B_C = 0;

    // Working counters.
    std::uint8_t Slot_Num = 1;
    std::uint8_t Log_Num = 0;
    std::uint8_t Tx_slot_counter = 0;
    std::uint8_t Tx_line_counter = 0;
    std::uint8_t Read_ModuleInfo_index = 0;
    std::uint8_t prot_index = 0;
    std::uint16_t crc = 0;

    // Position of the module's current protocol in the protocols combo, and the position a wrong
    // choice returns to.
    std::uint8_t ProtocolSelected = 0;
    std::uint8_t previous_ProtocolSelectedIndex = 0;
};

}  // namespace dravik
