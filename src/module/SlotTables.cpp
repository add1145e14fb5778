#include "module/SlotTables.h"

#include <algorithm>

namespace dravik {

int fillDatabaseSlots(SlotTables& tables, const std::vector<ModuleSlotSource>& sources,
                      std::uint8_t moduleType, std::uint8_t moduleVersion) {
    int count = 0;
    for (const ModuleSlotSource& source : sources) {
        if (count >= kSlotsTableUsable) break;
        Slot_T& slot = tables.SlotsTable[static_cast<std::size_t>(count)];
        slot = Slot_T{};
        const auto n = static_cast<std::size_t>(std::min<qsizetype>(source.text.size(), 14));
        std::copy_n(reinterpret_cast<const std::uint8_t*>(source.text.constData()), n, slot.name.begin());
        slot.slot_number = source.number;
        slot.revision = 0x20;
        slot.decoder_type = source.number;
        slot.module_type = moduleType;
        slot.module_version = moduleVersion;
        ++count;
    }
    return count;
}

}  // namespace dravik
