#include "firmware/FirmwareUpgrade.h"

#include <QDir>
#include <utility>

#include "firmware/ImageCheck.h"
#include "link/ExchangeLibrary.h"
#include "platform/FileAccess.h"
#include "link/DeviceText.h"

namespace dravik {

const QString FirmwareUpgrade::kCaption = QStringLiteral("Download Firmware           ");

namespace {
const QString kBootPid = QStringLiteral("0x200");
const QString kStandardPid = QStringLiteral("0x301");
}  // namespace

FirmwareUpgrade::FirmwareUpgrade(Deps d) : d_(std::move(d)) {}

void FirmwareUpgrade::InitializeVidPidFirmware() {
    if (!d_.resources.VID.isEmpty()) d_.id.myVID = padHexStringValue(d_.resources.VID);
    if (!d_.resources.PID.isEmpty()) d_.id.myPID = padHexStringValue(d_.resources.PID);
}

QString FirmwareUpgrade::ramLoaderText() const {
    const std::string own = d_.lib.ramLoaderImage();
    return own.empty() ? d_.resources.ramBsl : QString::fromStdString(own);
}

void FirmwareUpgrade::btnBrowse_MouseClick() {
    FileDialogRequest request;
    request.mode = FileDialogRequest::Mode::Open;
    request.caption = QStringLiteral("Open firmware");
    request.filter = QStringLiteral("fmd files (*.fmd)");
    request.startFolder = d_.firmwareFolder ? d_.firmwareFolder() : QString();
    const QString chosen = d_.files.chooseFile(request);
    if (chosen.isEmpty()) return;
    if (regularFileProblem(chosen) == kNotAFileReason) {
        d_.dialogs.message(
            QStringLiteral("The firmware file %1 is not a file.").arg(QDir::toNativeSeparators(chosen)),
            kCaption, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        return;
    }
    d_.view.setAutoConnChecked(false);
    if (d_.StopProcess) d_.StopProcess();
    d_.view.showFirmwarePath(chosen);
}

void FirmwareUpgrade::button_UpgradeFirmware_Click() {
    if (d_.id.numberOfUSBDevicesConnected == 0) {
        d_.dialogs.message(QStringLiteral("Device not connected !"), kCaption, Dialogs::Buttons::Ok,
                           Dialogs::Icon::Warning);
        return;
    }
    d_.view.setAutoConnChecked(false);
    if (d_.StopProcess) d_.StopProcess();
    const QString path = d_.view.firmwarePath();
    QString status;
    if (path.isEmpty()) {
        status = QStringLiteral("Select a firmware");
        d_.dialogs.message(QStringLiteral("Select file !"), kCaption, Dialogs::Buttons::Ok,
                           Dialogs::Icon::Warning);
    } else if (d_.id.Interface_connected || d_.id.WorkingMode == 0) {
        // An adapter already in its loader is upgraded as well: its application cannot identify it.
        if (const QString why = loadImage(path); !why.isEmpty()) {
            status = why;
            d_.dialogs.message(why, kCaption, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        } else if (d_.id.WorkingMode == 1) {
            if (bootRequestPending_) return;
            d_.view.setUpgradeEnabled(false);
            // The status line follows when the adapter has answered (or the request timed out).
            bootRequestPending_ = true;
            if (!d_.handler.startLibraryRequest([](InterfaceLibrary& lib) { return lib.BootMode_Request(); },
                                                [this](int result) { bootModeAnswered(result); }))
                bootModeAnswered(ExchangeLibrary::kNoAnswer);
            return;
        } else {
            d_.view.selectTab(1);
            status = QStringLiteral("Starting\r\n");
            startDownload();
        }
    } else {
        status = QStringLiteral("Connect interface");
        d_.dialogs.message(QStringLiteral("Interface not connected !"), kCaption, Dialogs::Buttons::Ok,
                           Dialogs::Icon::Warning);
    }
    d_.log.appendLog(status + QStringLiteral(" \r\n"));
}

void FirmwareUpgrade::bootModeAnswered(int result) {
    bootRequestPending_ = false;
    QString status;
    if (result == 0) {
        d_.id.myPID = padHexStringValue(kBootPid);
        d_.id.WorkingMode = 0;
        status = QStringLiteral("Wait while rebooting...");
    } else {
        // Nothing is said yet: whether the adapter restarted shows when it comes back in its
        // loader, and then the download starts as after an answered request.
        awaitingLoader_ = true;
        d_.loaderWait.start(kLoaderWaitMs);
    }
    d_.log.appendLog(status + QStringLiteral(" \r\n"));
    // A device change that came while the request was on the wire is counted in the mode it set.
    if (d_.countIfPending) d_.countIfPending();
}

void FirmwareUpgrade::loaderWaitElapsed() {
    d_.loaderWait.stop();
    if (!std::exchange(awaitingLoader_, false)) return;
    // No download follows a refused request: the button must not stay dead.
    d_.view.setUpgradeEnabled(true);
    d_.dialogs.message(QStringLiteral("The interface did not accept the restart into its loader."), kCaption,
                       Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
}

void FirmwareUpgrade::bootModeFound() {
    awaitingLoader_ = false;
    d_.loaderWait.stop();
    // The loader needs a moment after it enumerates; the window keeps running meanwhile.
    d_.bootPause.start(kBootModePauseMs);
}

void FirmwareUpgrade::bootPauseElapsed() {
    d_.bootPause.stop();
    if (d_.view.firmwarePath().isEmpty()) {
        d_.log.appendLog(QStringLiteral("Select a firmware \r\n"));
        return;
    }
    d_.view.replaceLog(QStringLiteral("Starting\r\n"));
    startDownload();
}

void FirmwareUpgrade::standardModeFound() {
    if (!connectNewApplication_) return;
    connectNewApplication_ = false;
    if (d_.autoConnInit) d_.autoConnInit();
}

QString FirmwareUpgrade::loadImage(const QString& path) {
    imagePath_.clear();
    image_.clear();
    QByteArray image;
    if (QString why = readFirmwareImage(path, image); !why.isEmpty()) return why;
    if (QString why = checkUpgradeImage(image, ramLoaderText()); !why.isEmpty()) return why;
    imagePath_ = path;
    image_ = std::move(image);
    return {};
}

void FirmwareUpgrade::startDownload() {
    if (d_.worker.isBusy()) return;
    const QString path = d_.view.firmwarePath();
    // An adapter found in its loader without a click has no image read yet: read it now, once.
    if (imagePath_ != path || image_.isEmpty()) {
        if (const QString why = loadImage(path); !why.isEmpty()) {
            d_.log.appendLog(why + QStringLiteral("\r\n"));
            return;
        }
    }
    const QByteArray image = std::exchange(image_, {});
    imagePath_.clear();
    d_.view.setUpgradeEnabled(false);
    downloadPath_ = path;
    lastStep_.clear();
    const QString device = deviceTextOf(d_.id.myPID, d_.id.myVID, d_.id.myDeviceIndex);
    FirmwareResources res = d_.resources;
    res.ramBsl = ramLoaderText();
    auto verified = std::make_shared<bool>(false);
    InterfaceLibrary& lib = d_.lib;
    Clock& clock = d_.clock;
    d_.worker.start(
        [&lib, &clock, res, device, path, image, verified](const FirmwareRunner::Report& report) {
            FirmwareDownload download(lib, clock, res, device, report);
            const bool ok = download.run(path, image);
            *verified = download.switchedToStandard();
            return ok;
        },
        [this](int percent, const QString& text) { backgroundWorker1_ProgressChanged(percent, text); },
        [this, verified](bool completed, bool result) {
            backgroundWorker1_RunWorkerCompleted(completed, result, *verified);
        });
}

void FirmwareUpgrade::backgroundWorker1_ProgressChanged(int percent, const QString& text) {
    d_.view.setFirmwareProgress(percent);
    if (!text.isEmpty()) d_.log.appendLog(text);
    if (!text.trimmed().isEmpty()) lastStep_ = text.trimmed();
}

void FirmwareUpgrade::backgroundWorker1_RunWorkerCompleted(bool completed, bool result, bool verified) {
    if (verified) {
        // The device restarts into its new application: the next count looks for it.
        d_.id.myPID = padHexStringValue(kStandardPid);
        d_.id.WorkingMode = 1;
        connectNewApplication_ = true;
    }
    // The step the download ended at says why it failed: "Password FAILED!", "Memory
    // verification error".
    const bool ok = completed && result && verified;
    QString detail = QStringLiteral("image ") + QDir::toNativeSeparators(downloadPath_) +
                     (ok ? QStringLiteral("\nverified, the adapter restarted with it")
                         : QStringLiteral("\nfailed at: ") +
                               (completed ? lastStep_.section(QStringLiteral("\r\n"), 0, 0) : QStringLiteral("stopped")));
    d_.journal.operationEnded({QStringLiteral("Adapter firmware upgrade"), ok, detail});
    if (completed) {
        if (result) {
            d_.dialogs.message(QStringLiteral("Download OK !"), kCaption, Dialogs::Buttons::Ok,
                               Dialogs::Icon::Information);
        } else {
            d_.dialogs.message(QStringLiteral("Download error !"), kCaption, Dialogs::Buttons::Ok,
                               Dialogs::Icon::Error);
        }
    }
    d_.view.setAutoConnChecked(true);
    if (d_.autoConnInit) d_.autoConnInit();
    d_.view.setUpgradeEnabled(true);
    d_.view.setFirmwareProgress(0);
    if (d_.countIfPending) d_.countIfPending();
}

}  // namespace dravik
