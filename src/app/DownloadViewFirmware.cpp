// The window's side of the firmware upgrade: its controls, the file dialog and the download worker.

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "firmware/FirmwareResources.h"

namespace dravik {

void DownloadView::wireFirmware() {
    Controller& c = *controller_;
    ConnectionState& cs = c.session().connection;
    FirmwareUpgrade::Deps deps{{cs.myVID, cs.myPID, cs.myDeviceIndex, cs.WorkingMode,
                                cs.numberOfUSBDevicesConnected, cs.Interface_connected},
                               lib_,
                               c.handler(),
                               clock_,
                               *this,
                               *this,
                               *this,
                               *this,
                               backgroundWorker1_,
                               firmwareBootPause_,
                               firmwareLoaderWait_,
                               [&c] { c.handler().StopProcess(); },
                               [&c] { c.autoConn().AutoConnStat = AUTOCONN_INIT; },
                               [&c] { c.iface().countIfPending(); },
                               [] { return QDir(mainDataFolder()).filePath(QStringLiteral("Firmware")); },
                               loadFirmwareResources(),
                               c.report()};
    firmware_ = std::make_unique<FirmwareUpgrade>(std::move(deps));
    firmware_->InitializeVidPidFirmware();
    c.iface().setFirmwareHooks([this] { return firmware_->busy(); }, [this] { firmware_->bootModeFound(); },
                               [this] { firmware_->standardModeFound(); });
    connect(&firmwareBootPause_.timer, &QTimer::timeout, this, [this] { firmware_->bootPauseElapsed(); });
    connect(&firmwareLoaderWait_.timer, &QTimer::timeout, this, [this] { firmware_->loaderWaitElapsed(); });
    // "&Browse" opens the dialog from the keyboard as well as by mouse.
    connect(ui_.btnBrowse, &QPushButton::clicked, this, [this] { firmware_->btnBrowse_MouseClick(); });
    connect(ui_.button_UpgradeFirmware, &QPushButton::clicked, this,
            [this] { firmware_->button_UpgradeFirmware_Click(); });
}

QString DownloadView::firmwarePath() const { return ui_.filenameTextBox->text(); }

void DownloadView::showFirmwarePath(const QString& path) {
    ui_.filenameTextBox->setText(path);
    setWindowTitle(appName() + QStringLiteral("  ") + path);
}

void DownloadView::setUpgradeEnabled(bool enabled) { ui_.button_UpgradeFirmware->setEnabled(enabled); }

void DownloadView::setFirmwareProgress(int percent) { ui_.progressBar_interface->setValue(percent); }

void DownloadView::setAutoConnChecked(bool checked) { ui_.checkBoxAutoConn->setChecked(checked); }

void DownloadView::selectTab(int index) {
    if (index >= 0 && index < ui_.tabControl1->count()) ui_.tabControl1->setCurrentIndex(index);
}

void DownloadView::replaceLog(const QString& text) {
    clearLog();
    appendLog(text);
}

void DownloadView::clearLog() {
    logText_.clear();
    ui_.statusBox_car->clear();
    ++logGeneration_;
}

}  // namespace dravik
