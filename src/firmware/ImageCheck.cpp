#include "firmware/ImageCheck.h"

#include <QDir>

#include "platform/FileAccess.h"
#include "firmware/TiTxt.h"

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

QString readFirmwareImage(const QString& path, QByteArray& image) {
    image.clear();
    if (path.isEmpty()) return QStringLiteral("No file specified");
    const QString shown = QDir::toNativeSeparators(path);
    FileContent read = readRegularFile(path, static_cast<qint64>(kTiTxtMaxFileBytes));
    if (read.error == kNotAFileReason) return QStringLiteral("The firmware file %1 is not a file.").arg(shown);
    if (!read.ok)
        return QStringLiteral("The firmware file %1 cannot be read: %2.").arg(shown, read.error);
    image = std::move(read.bytes);
    return {};
}

QString checkUpgradeImage(const QByteArray& image, const QString& ramLoaderText) {
    if (ramLoaderText.isEmpty())
        return QStringLiteral(
            "This program holds no RAM loader image for the adapter (resources/firmware/RAM_BSL.txt from the "
            "adapter's maker, see docs/firmware.md): the firmware cannot be upgraded.");
    if (ramLoaderText.size() >= kRamLoaderTextBuffer)
        return QStringLiteral("The built-in RAM loader image is larger than %1 characters.")
            .arg(kRamLoaderTextBuffer - 1);
    TiTxtImage parsed;
    std::string error;
    if (!parseTiTxt(std::string_view(image.constData(), static_cast<std::size_t>(image.size())), parsed, error))
        return QStringLiteral("The firmware file is not a valid image: ") + QString::fromStdString(error) +
               '.';
    if (parsed.totalBytes() == 0) return QStringLiteral("The firmware file holds no data.");
    for (const TiTxtSection& s : parsed.sections) {
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
