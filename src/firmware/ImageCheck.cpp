#include "firmware/ImageCheck.h"

#include "link/TiTxt.h"

namespace dravik {

FlashSegment flashSegmentOf(std::uint32_t address) {
    if (address >= kMainFlashStart && address < kMainFlashEnd)
        return {kMainFlashStart + (address - kMainFlashStart) / kMainSegmentSize * kMainSegmentSize,
                kMainSegmentSize};
    if (address >= kInfoFlashStart && address < kInfoFlashEnd)
        return {kInfoFlashStart + (address - kInfoFlashStart) / kInfoSegmentSize * kInfoSegmentSize,
                kInfoSegmentSize};
    return {};
}

namespace {
QString hexAddress(std::uint32_t a) {
    return QStringLiteral("0x") + QString::number(a, 16).toUpper().rightJustified(5, QLatin1Char('0'));
}
}  // namespace

QString checkUpgrade(const QString& path, const QString& ramLoaderText) {
    if (path.size() > kMaxFirmwarePath)
        return QStringLiteral("The firmware path is longer than %1 characters.").arg(kMaxFirmwarePath);
    if (ramLoaderText.isEmpty())
        return QStringLiteral(
            "This program holds no RAM loader image for the adapter (resources/firmware/RAM_BSL.txt from the "
            "adapter's maker, see docs/firmware.md): the firmware cannot be upgraded.");
    if (ramLoaderText.size() >= kRamLoaderTextBuffer)
        return QStringLiteral("The built-in RAM loader image is larger than %1 characters.")
            .arg(kRamLoaderTextBuffer - 1);
    TiTxtImage image;
    std::string error;
    const int read = readTiTxtFile(path.toStdString(), image, error);
    if (read == kTiTxtCannotOpen) return QStringLiteral("The firmware file cannot be opened.");
    if (read != 0)
        return QStringLiteral("The firmware file is not a valid image: ") + QString::fromStdString(error) +
               '.';
    if (image.totalBytes() == 0) return QStringLiteral("The firmware file holds no data.");
    for (const TiTxtSection& s : image.sections) {
        for (std::uint32_t a = s.address; a < s.end();) {
            const FlashSegment seg = flashSegmentOf(a);
            if (seg.size == 0)
                return QStringLiteral("The firmware image writes outside the adapter's flash, at ") +
                       hexAddress(a) + '.';
            a = seg.start + seg.size;
        }
    }
    return {};
}

}  // namespace dravik
