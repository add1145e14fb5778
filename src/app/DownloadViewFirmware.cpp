// The window's side of the firmware upgrade: its controls, the file dialog and the download worker.

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMouseEvent>
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
    FirmwareUpgrade::Deps deps{
        {cs.myVID, cs.myPID, cs.myDeviceIndex, cs.WorkingMode, cs.numberOfUSBDevicesConnected,
         cs.Interface_connected},
        lib_,
        clock_,
        *this,
        *this,
        *this,
        backgroundWorker1_,
        firmwareBootPause_,
        [&c] { c.handler().StopProcess(); },
        [&c] { c.autoConn().AutoConnStat = AUTOCONN_INIT; },
        [&c] { c.iface().countIfPending(); },
        [] { return QDir(mainDataFolder()).filePath(QStringLiteral("Firmware")); },
        loadFirmwareResources()};
    firmware_ = std::make_unique<FirmwareUpgrade>(std::move(deps));
    firmware_->InitializeVidPidFirmware();
    c.iface().setFirmwareHooks([this] { return backgroundWorker1_.isBusy(); },
                               [this] { firmware_->bootModeFound(); },
                               [this] { firmware_->standardModeFound(); });
    connect(&firmwareBootPause_.timer, &QTimer::timeout, this, [this] { firmware_->bootPauseElapsed(); });
    // "&Browse" opens the dialog from the keyboard as well as by mouse.
    connect(ui_.btnBrowse, &QPushButton::clicked, this, [this] { firmware_->btnBrowse_MouseClick(); });
    connect(ui_.button_UpgradeFirmware, &QPushButton::clicked, this,
            [this] { firmware_->button_UpgradeFirmware_Click(); });
}

std::optional<QString> DownloadView::chooseFirmwareFile(const QString& folder, const QString& filter) {
    // The filter comes as "caption|patterns"; the dialog wants "caption (patterns)", which it already holds.
    // A data folder without its Firmware folder yet: start where the program runs.
    const QString start = QDir(folder).exists() ? folder : QDir::currentPath();
    QFileDialog dialog(this, QStringLiteral("Open firmware"), start, filter.section(QLatin1Char('|'), 0, 0));
    dialog.setObjectName(QStringLiteral("firmwareFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (script_ != nullptr) {
        // Scripted runs answer the dialog through its controls: fileNameEdit and firmwareFileOpen.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* box = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox")))
            if (QPushButton* open = box->button(QDialogButtonBox::Open))
                open->setObjectName(QStringLiteral("firmwareFileOpen"));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QString DownloadView::firmwarePath() const { return ui_.filenameTextBox->text(); }

void DownloadView::showFirmwarePath(const QString& path) {
    ui_.filenameTextBox->setText(path);
    setWindowTitle(appTitle_ + QStringLiteral("  ") + path);
}

void DownloadView::setUpgradeEnabled(bool enabled) { ui_.button_UpgradeFirmware->setEnabled(enabled); }

void DownloadView::setFirmwareProgress(int percent) { ui_.progressBar_interface->setValue(percent); }

void DownloadView::setAutoConnChecked(bool checked) { ui_.checkBoxAutoConn->setChecked(checked); }

void DownloadView::selectTab(int index) {
    if (index >= 0 && index < ui_.tabControl1->count()) ui_.tabControl1->setCurrentIndex(index);
}

void DownloadView::replaceLog(const QString& text) {
    logText_.clear();
    ui_.statusBox_car->clear();
    appendLog(text);
}

}  // namespace dravik
