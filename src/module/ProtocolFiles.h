#pragma once
// Protocol files: text files of "@SLOT" sections with 16-byte hexadecimal lines, ending with a
// line holding "q". The loader lists their slots in the working table; the image reader turns one
// file into the byte image that is programmed.
//
// Files are untrusted: every field is read within its line, a file larger than the protocol
// image could ever need is refused, and nothing is written outside the tables.

#include <QString>
#include <cstdint>

#include "module/SlotTables.h"

namespace dravik {

class LogView;

// A file larger than this cannot hold an image that fits dataToSend.
inline constexpr qint64 kMaxProtocolFileBytes = 1 << 20;

struct ProtocolLoadContext {
    std::uint8_t workingSlots = 0;  // Mdl_VRAK_Working_Slots_Number: first table index used
    std::uint8_t allSlots = 0;      // Mdl_VRAK_All_Slots_Number
    std::uint8_t moduleType = 0;    // Mod_SoftwareType
};

// Adds the sections of every file in the folder (visited in name order) to SlotsTable from index
// workingSlots on. Returns how many were added.
int LoadExtProtocols(const QString& folder, const ProtocolLoadContext& context, SlotTables& tables,
                     LogView& log);

struct ProtocolImage {
    bool ok = false;
    int bytes = 0;  // image length
    QString error;  // why the file was refused
};

// Reads the data lines of the file into dataToSend from byte 0. A refused file leaves dataToSend
// as it was.
ProtocolImage readProtocolImage(const QString& path, SlotTables& tables);

// A scan of at most two hexadecimal digits at a position of a line: leading blanks are skipped.
// Returns false (and leaves value alone) when no digit is there.
bool scanHexPair(const char* line, int length, int position, std::uint8_t& value);

}  // namespace dravik
