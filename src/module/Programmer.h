#pragma once
// A protocol entry as the lists show it: made from a slot record, shown as
// "07  B  NAME  ver. 3 *" (decoder type, revision, name, version, star for a file protocol).

#include <QMetaType>
#include <QString>
#include <cstdint>

#include "module/SlotTables.h"

namespace dravik {

class Programmer {
  public:
    QString Decode_description;  // the 14 name characters
    QString filename;            // full path of the protocol file; empty for a module slot
    std::uint8_t Decode_number = 0;
    std::uint8_t Decode_revision = 0;
    std::uint8_t Decode_version = 0;
    std::uint8_t Decode_type = 0;
    std::uint8_t Mod_type = 0;
    std::uint8_t Mod_version = 0;
    std::uint8_t Decode_group = 0;
    std::uint8_t Slot_mem1 = 0;
    std::uint8_t Slot_mem2 = 0;
    std::uint8_t Slot_mem3 = 0;
    std::uint8_t Slot_mem4 = 0;

    static Programmer fromSlot(const Slot_T& slot);
    QString toString() const;
};

}  // namespace dravik

Q_DECLARE_METATYPE(dravik::Programmer)
