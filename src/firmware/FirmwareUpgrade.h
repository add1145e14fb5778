#pragma once
// The upgrade as the window drives it: choosing the image, the "Upgrade firmware" button, the
// boot-mode branch of the device count (with its pause), progress and completion of the download
// worker. The interface's identity and mode fields stay where the connection keeps them; this
// class gets references to them.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "firmware/FirmwareDownload.h"
#include "firmware/FirmwareResources.h"
#include "firmware/FirmwareView.h"
#include "link/Clock.h"
#include "link/CommandHandler.h"
#include "link/FileDialogs.h"
#include "link/InterfaceLibrary.h"
#include "link/OneShotTimer.h"
#include "link/OperationJournal.h"
#include "link/Views.h"

namespace dravik {

class FirmwareUpgrade {
  public:
    static constexpr int kBootModePauseMs = 1000;
    // A restart request without an answer may still have been carried out (the answer came late,
    // or was lost as the adapter left the bus): only an adapter that has not come back in its
    // loader this long after the request is taken to have refused. An adapter restarting into its
    // loader is back on the bus within a few seconds.
    static constexpr int kLoaderWaitMs = 10000;
    static const QString kCaption;  // "Download Firmware" and eleven blanks

    struct Identity {
        QString& myVID;
        QString& myPID;
        const QString& myDeviceIndex;
        std::uint8_t& WorkingMode;
        const std::uint32_t& numberOfUSBDevicesConnected;
        const bool& Interface_connected;
    };
    struct Deps {
        Identity id;
        InterfaceLibrary& lib;
        // Carries the boot-mode request, which waits for the adapter's answer, off the UI thread.
        CommandHandler& handler;
        Clock& clock;
        LogView& log;
        Dialogs& dialogs;
        FirmwareView& view;
        FileDialogs& files;
        FirmwareRunner& worker;
        OneShotTimer& bootPause;   // its expiry calls bootPauseElapsed()
        OneShotTimer& loaderWait;  // its expiry calls loaderWaitElapsed()
        std::function<void()> StopProcess;
        std::function<void()> autoConnInit;  // AutoConnStat = AUTOCONN_INIT
        // A device change came while the download ran: count now.
        std::function<void()> countIfPending;
        std::function<QString()> firmwareFolder;
        FirmwareResources resources;
        OperationJournal& journal = noJournal();
    };

    explicit FirmwareUpgrade(Deps d);

    // At window construction: VID and PID from the resources, through the padding rule.
    void InitializeVidPidFirmware();

    void btnBrowse_MouseClick();
    void button_UpgradeFirmware_Click();
    // Device count found devices while in boot mode.
    void bootModeFound();
    void bootPauseElapsed();
    void loaderWaitElapsed();
    // Device count found devices in standard mode.
    void standardModeFound();

    // The download runs, or the boot-mode request awaits its answer: a device change then waits.
    bool busy() const { return bootRequestPending_ || d_.worker.isBusy(); }
    // The RAM loader the download will start: the backend's own, or the built-in image.
    QString ramLoaderText() const;

  private:
    // Reads and checks the image at path once; on success it is kept for the next download.
    QString loadImage(const QString& path);
    void startDownload();
    void bootModeAnswered(int result);
    void backgroundWorker1_ProgressChanged(int percent, const QString& text);
    void backgroundWorker1_RunWorkerCompleted(bool completed, bool result, bool verified);

    Deps d_;
    // A verified image restarts the adapter: its new application is connected once it is found,
    // whatever state the automatic connection reached while the adapter was off the bus.
    bool connectNewApplication_ = false;
    // The bytes checked before the adapter was switched into its loader, and the file they came
    // from: the download sends exactly these.
    QString imagePath_;
    // The image being downloaded and the last step the download reported, for the journal.
    QString downloadPath_;
    QString lastStep_;
    QByteArray image_;
    bool bootRequestPending_ = false;
    // The restart request got no answer; the adapter has not shown up in its loader yet.
    bool awaitingLoader_ = false;
};

}  // namespace dravik
