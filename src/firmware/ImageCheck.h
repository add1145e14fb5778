#pragma once
// What must hold before the adapter is switched into its loader, so that a bad file or a missing
// loader image never leaves it half-programmed.

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace dravik {

// The adapter's flash: information memory and main memory (interrupt vectors at 0xFFE0-0xFFFF).
inline constexpr std::uint32_t kInfoFlashStart = 0x1800, kInfoFlashEnd = 0x1A00, kInfoSegmentSize = 128;
inline constexpr std::uint32_t kMainFlashStart = 0x4400, kMainFlashEnd = 0x24400, kMainSegmentSize = 512;
// Buffer for the RAM loader's text, terminating zero included.
inline constexpr int kRamLoaderTextBuffer = 20000;

// Start address and size of the flash segment holding address (main or information memory);
// size 0 when the address is not in flash.
struct FlashSegment {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
};
FlashSegment flashSegmentOf(std::uint32_t address);

// Reads the chosen image file, once, into image: empty on success, otherwise the message that says
// why not (not a regular file, cannot be read, too large). The file is never opened again: what is
// checked is what is sent.
QString readFirmwareImage(const QString& path, QByteArray& image);

// Empty when the upgrade of these image bytes may go ahead; otherwise the message that says why not.
QString checkUpgradeImage(const QByteArray& image, const QString& ramLoaderText);

}  // namespace dravik
