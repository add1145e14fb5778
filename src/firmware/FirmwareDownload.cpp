#include "firmware/FirmwareDownload.h"

#include <algorithm>
#include <vector>

#include "firmware/Crc.h"
#include "firmware/ImageCheck.h"

namespace dravik {

namespace {

// Texts go to the library as one byte per character and a terminating zero, in a buffer of the
// given size (the text is cut to fit; the callers check lengths before).
std::vector<char> StringToChar(const QString& text, std::size_t bufferSize) {
    std::vector<char> buf(bufferSize, '\0');
    const QByteArray bytes = text.toLatin1();
    std::copy_n(bytes.constData(),
                std::min<std::size_t>(static_cast<std::size_t>(bytes.size()), bufferSize - 1), buf.begin());
    return buf;
}

constexpr std::size_t kDeviceBuffer = 100;
constexpr std::size_t kPasswordBuffer = 200;

}  // namespace

FirmwareDownload::FirmwareDownload(InterfaceLibrary& lib, Clock& clock, FirmwareResources resources,
                                   QString deviceText, Report report)
    : lib_(lib),
      clock_(clock),
      res_(std::move(resources)),
      deviceText_(std::move(deviceText)),
      report_(std::move(report)) {}

bool FirmwareDownload::run(const QString& path, const QByteArray& image) {
    if (path.isEmpty()) {
        report_(0, QStringLiteral("No file specified\r\n"));
        return false;
    }
    // The same bytes are checked here, erased for, sent and verified: the file is not opened again.
    if (const QString why = checkUpgradeImage(image, res_.ramBsl); !why.isEmpty()) {
        report_(0, why + QStringLiteral("\r\n"));
        return false;
    }
    return CustomSelectedFirmware(path, image);
}

bool FirmwareDownload::unplugged(int percent) {
    report_(percent, QStringLiteral("USB device was unplugged!\r\n"));
    return false;
}

bool FirmwareDownload::openLoader(int percentOnFailure) {
    const std::vector<char> device = StringToChar(deviceText_, kDeviceBuffer);
    lib_.BSL_setFamily(3);
    lib_.BSL_setCom(2);
    // Any refusal to open (gone, no permission, ...) ends the download here.
    if (lib_.BSL_initialize_BSL(device.data()) != 0) return unplugged(percentOnFailure);
    return true;
}

bool FirmwareDownload::DownloadStartUp(bool* massErased) {
    if (!openLoader(0)) return false;
    const std::vector<char> passText = StringToChar(res_.password, kPasswordBuffer);
    const DataBlock_ p1 = lib_.BSL_readTI_Text(passText.data(), 32);
    const DataBlock_ p2 = lib_.BSL_getDefaultPass();

    report_(5, {});
    // A loader that does not answer at all has not judged the password: it is gone.
    const int first = lib_.BSL_RX_Password(p1);
    if (first == kBslNoReply) return unplugged(5);
    if (first != 0) {
        *massErased = true;
        report_(5, QStringLiteral("Mass erase occured!\r\n"));
        clock_.sleepUs(std::int64_t{kMassEraseWaitMs} * 1000);
        const int second = lib_.BSL_RX_Password(p2);
        if (second == kBslNoReply) return unplugged(10);
        if (second != 0) {
            report_(10, QStringLiteral("Password FAILED!\r\n"));
            return false;
        }
    }
    report_(10, QStringLiteral("Password Sent Successfully\r\n"));

    report_(20, QStringLiteral("Sending RAM BSL v") + res_.RAM_BSL_VERSION + QStringLiteral("\r\n"));
    const std::vector<char> ramText = StringToChar(res_.ramBsl, kRamLoaderTextBuffer);
    lib_.BSL_RX_TXT(ramText.data(), 1);
    lib_.BSL_LoadPC(kRamLoaderEntry);
    report_(30, QStringLiteral("Done RAM BSL v") + res_.RAM_BSL_VERSION + QStringLiteral("\r\n"));
    lib_.BSL_close_BSL();

    // The device restarts into the RAM loader and comes back on the bus.
    for (int i = 0; i < kRamLoaderWaits; ++i) {
        report_(35 + 5 * i, {});
        clock_.sleepUs(std::int64_t{kRamLoaderWaitMs} * 1000);
    }
    startProgramTime_ = tickMs();
    if (!openLoader(50)) return false;
    lib_.BSL_RX_Password(*massErased ? p2 : p1);
    lib_.BSL_eraseSegment(kVectorAddress);
    return true;
}

bool FirmwareDownload::CustomSelectedFirmware(const QString& path, const QByteArray& image) {
    bool massErased = false;
    if (!DownloadStartUp(&massErased)) return false;
    // A checked image holds no zero byte (it is text), so the terminated copy is the whole image.
    const std::string text = image.toStdString();
    if (!massErased) {
        report_(60, QStringLiteral("Erasing memory segments \r\n"));
        EraseDataSegment_File(text);
    }
    report_(70, QStringLiteral("Sending ") + path + QStringLiteral("\r\n"));
    lib_.BSL_RX_TXT(text.c_str(), 1);
    report_(75, QStringLiteral("Firmware Sent\r\n"));
    report_(80, QStringLiteral("Verifying memory\r\n"));
    if (CRC_Check_File(text) != 0) {
        report_(85, QStringLiteral("Memory verification error\r\n"));
        return false;
    }
    report_(85, QStringLiteral("Memory successfully verified\r\n"));
    stopProgramTime_ = tickMs();
    totalProgramTime_ = stopProgramTime_ - startProgramTime_;
    report_(90, QStringLiteral("Total programming time is ") + QString::number(totalProgramTime_) +
                    QStringLiteral("ms \r\n"));
    switchedToStandard_ = true;
    TriggerForcedBOR();
    report_(100, QStringLiteral("Done!"));
    return true;
}

std::uint32_t FirmwareDownload::EraseDataSegment_File(std::string_view image) {
    if (lib_.BSL_openTI_TextForRead(image) != 0) return kCannotOpen;
    // A block that starts inside a segment may run into the next one: every segment a block
    // touches is erased, each once, or the write into the unerased part fails.
    std::set<std::uint32_t> erased;
    while (lib_.BSL_moreDataToRead_TextFile() != 0) {
        const DataBlock_ block = lib_.BSL_readTI_TextFile(kEraseBlock);
        if (block.length == 0) break;
        const std::uint32_t last = block.startAddress + block.length - 1;
        for (std::uint32_t a = block.startAddress; a <= last;) {
            const FlashSegment seg = flashSegmentOf(a);
            if (seg.size == 0) break;  // refused before the download; never erased blindly
            if (erased.insert(seg.start).second) {
                lib_.BSL_eraseSegment(a);
                erasedByPass_.push_back(a);
            }
            a = seg.start + seg.size;
        }
    }
    lib_.BSL_closeTI_Text();
    return 0;
}

std::uint32_t FirmwareDownload::CRC_Check_File(std::string_view image) {
    if (lib_.BSL_openTI_TextForRead(image) != 0) return kCannotOpen;
    while (lib_.BSL_moreDataToRead_TextFile() != 0) {
        const DataBlock_ block = lib_.BSL_readTI_TextFile(kVerifyBlock);
        if (CRC_Check(block.startAddress, block.length) != Calculate_CRC(block)) {
            lib_.BSL_closeTI_Text();
            return 1;
        }
    }
    lib_.BSL_closeTI_Text();
    return 0;
}

std::uint32_t FirmwareDownload::CRC_Check(std::uint32_t address, std::uint32_t length) {
    if (lib_.BSL_CRC_Check(address, length) != 0) return kNoCrc;
    const dataBuffer rx = lib_.BSL_get_RX_Buffer();
    return static_cast<std::uint32_t>(rx[5] + 256 * rx[6]);
}

std::uint32_t FirmwareDownload::Calculate_CRC(const DataBlock_& block) {
    CRC crc(0xFFFF);
    crc.CrcInit(0xFFFF);
    const std::uint32_t n = std::min(block.length, DataBlock_::kCapacity);
    for (std::uint32_t i = 0; i < n; ++i) crc.CrcInput(block.data[i]);
    return crc.GetCrcValue();
}

bool FirmwareDownload::TriggerForcedBOR() {
    report_(90, QStringLiteral("Resetting Device...\r\nStarting application\r\n"));
    const std::vector<char> text = StringToChar(res_.forcedBor, kPasswordBuffer);
    return lib_.BSL_RX_TXT(text.data(), 1) == 0;
}

}  // namespace dravik
