#pragma once
// The download of one image through the adapter's loader, run on the download worker: password,
// RAM loader, erase, image, verification by CRC, forced reset. Progress goes out as a percentage
// with an optional text; the worker never touches the window.

#include <QString>
#include <cstdint>
#include <functional>
#include <set>
#include <string_view>

#include "firmware/FirmwareResources.h"
#include "link/Clock.h"
#include "link/DataBlock.h"
#include "link/InterfaceLibrary.h"

namespace dravik {

class FirmwareDownload {
  public:
    using Report = std::function<void(int percent, const QString& text)>;

    // Fixed waits of the loader start-up.
    static constexpr int kMassEraseWaitMs = 2000;
    static constexpr int kRamLoaderWaitMs = 1000;  // three times
    static constexpr int kRamLoaderWaits = 3;
    static constexpr std::uint32_t kRamLoaderEntry = 0x2504;
    static constexpr std::uint32_t kVectorAddress = 0xFFFF;
    static constexpr int kEraseBlock = 512;
    static constexpr int kVerifyBlock = 5000;
    static constexpr std::uint32_t kNoCrc = 0xFFFFFFFF;
    static constexpr std::uint32_t kCannotOpen = 0xFFFFFFFE;

    // deviceText: the loader's device string; ramLoader: the RAM loader image to start.
    FirmwareDownload(InterfaceLibrary& lib, Clock& clock, FirmwareResources resources, QString deviceText,
                     Report report);

    // The worker's whole job: true when the image was written, verified and the device reset.
    // image: the bytes read from the file at path when it was checked; path only names it in the log.
    bool run(const QString& path, const QByteArray& image);

    bool CustomSelectedFirmware(const QString& path, const QByteArray& image);
    bool DownloadStartUp(bool* massErased);
    std::uint32_t EraseDataSegment_File(std::string_view image);
    std::uint32_t CRC_Check_File(std::string_view image);
    std::uint32_t CRC_Check(std::uint32_t address, std::uint32_t length);
    static std::uint32_t Calculate_CRC(const DataBlock_& block);
    bool TriggerForcedBOR();

    // Set once the image is verified: the next device count looks for the new application.
    bool switchedToStandard() const { return switchedToStandard_; }
    std::uint32_t totalProgramTime() const { return totalProgramTime_; }
    // Segment addresses handed to the loader by the erase pass, in order.
    const std::vector<std::uint32_t>& erasedByPass() const { return erasedByPass_; }

  private:
    std::uint32_t tickMs() const { return static_cast<std::uint32_t>(clock_.nowMs()); }
    bool openLoader(int percentOnFailure);
    bool unplugged(int percent);

    InterfaceLibrary& lib_;
    Clock& clock_;
    FirmwareResources res_;
    QString deviceText_;
    Report report_;
    std::uint32_t startProgramTime_ = 0;
    std::uint32_t stopProgramTime_ = 0;
    std::uint32_t totalProgramTime_ = 0;
    bool switchedToStandard_ = false;
    std::vector<std::uint32_t> erasedByPass_;
};

}  // namespace dravik
