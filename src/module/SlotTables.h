#pragma once
// The slot record and the fixed tables of slot records, group flags and the protocol image.
// Everything here is fixed-size storage; nothing is allocated per slot.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "database/ProductDatabase.h"

namespace dravik {

// One protocol slot: what the module reports for a slot, or what a protocol file or the database
// offers. The byte layout is the module's and the backup file's: no gaps, 226 bytes.
struct Slot_T {
    std::array<std::uint8_t, 14> name;  // 8-bit characters, not terminated
    std::uint8_t slot_number;           // 1-based slot in the module
    std::uint8_t revision;              // a character code
    std::uint8_t version;
    std::uint8_t decoder_type;                // protocols of one decoder type are versions of each other
    std::uint8_t group;                       // 0 = no group
    std::array<std::uint8_t, 200> file_path;  // zero-filled; meaningful when file_marker is 200
    std::uint8_t file_marker;                 // 200 = from a protocol file
    std::uint8_t module_type;
    std::uint8_t module_version;
    std::array<std::uint8_t, 4> slot_mem;  // bit 0 of byte 0: slot is in the selection
};
static_assert(sizeof(Slot_T) == 226, "Slot_T is 226 bytes without gaps");
static_assert(offsetof(Slot_T, slot_number) == 14 && offsetof(Slot_T, group) == 18 &&
                  offsetof(Slot_T, file_path) == 19 && offsetof(Slot_T, file_marker) == 219 &&
                  offsetof(Slot_T, module_type) == 220 && offsetof(Slot_T, slot_mem) == 222,
              "Slot_T fields follow each other without gaps");

inline constexpr int kSlotsTableSize = 250;
// The last record is never filled: at most this many entries are used.
inline constexpr int kSlotsTableUsable = 249;
inline constexpr int kGroupFlags = 255;
inline constexpr int kDataToSendSize = ProductDatabase::kMaxImageBytes;
inline constexpr std::uint8_t kFileMarker = 200;
inline constexpr std::uint8_t kScrambleFlag = 0xFF;
inline constexpr std::uint8_t kScrambleKey = 0xA7;

struct SlotTables {
    // Working slots of the module, then the protocols loaded from files; for a module reached
    // through the product, the database entries.
    std::array<Slot_T, kSlotsTableSize> SlotsTable{};
    // Every slot of the module.
    std::array<Slot_T, kSlotsTableSize> All_SlotsTable{};
    std::array<std::uint8_t, kGroupFlags> WorkingProtocolsGroups_Table{};
    std::array<std::uint8_t, kGroupFlags> SelectionProtocolsGroups_Table{};
    // The image of one protocol file. Bytes past the last image read keep their earlier contents.
    std::array<std::uint8_t, kDataToSendSize> dataToSend{};
};

// The database's protocol list of a module reached through the product, from index 0. Returns
// the number of entries filled (at most kSlotsTableUsable; the rest is left out).
int fillDatabaseSlots(SlotTables& tables, const std::vector<ModuleSlotSource>& sources,
                      std::uint8_t moduleType, std::uint8_t moduleVersion);

}  // namespace dravik
