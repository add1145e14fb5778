#pragma once
// The one window: owns the layout, the device logic (Controller), the timers and the workers, and
// shows what the logic reports through the views it implements.

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/Controller.h"
#include "app/DownloadViewUi.h"
#include "app/QtOneShotTimer.h"
#include "app/FirmwareWorker.h"
#include "app/WorkerThread.h"
#include "firmware/FirmwareUpgrade.h"
#include "config/ConfigurationFile.h"
#include "config/ModuleConfigAdapter.h"
#include "connection/TestPage.h"
#include "connection/ConnectionView.h"
#include "link/FileDialogs.h"
#include "link/Views.h"

namespace dravik {

class Clock;
class InterfaceLibrary;
class ScriptRunner;
class SessionRecording;
class SimulatedInterfaceLibrary;

class DownloadView final : public QMainWindow,
                           public LogView,
                           public Dialogs,
                           public ProgressView,
                           public ConnectionView,
                           public FirmwareView,
                           public FileDialogs,
                           public ConfigFileView {
    Q_OBJECT
public:
    DownloadView(Clock& clock, InterfaceLibrary& lib, QWidget* parent = nullptr);
    ~DownloadView() override;

    // Scripted runs: every log line and message box goes to the runner; boxes never block.
    void setScriptRunner(ScriptRunner* runner) { script_ = runner; }
    // The session recording, offered with every saved log.
    void setSessionRecording(SessionRecording* recording) { recording_ = recording; }
    Controller& controller() { return *controller_; }
    ConfigurationFile& configuration() { return *configuration_; }
    // "Dravik  MAJOR.MINOR.PATCH": the window title without a file.
    static QString appName();
    DownloadViewUi& ui() { return ui_; }
    QString logText() const { return logText_; }
    // Counts the times the log was emptied (Clear, a page that starts its own log): a search
    // position into the log holds only within one generation.
    quint64 logGeneration() const { return logGeneration_; }
    bool developerLayout() const { return developer_; }
    // The folder holding the product database; the folder the program runs in when not set.
    void setDatabaseFolder(const QString& folder) { databaseFolder_ = folder; }
    // The folder protocol files are read from, in place of the data folder's "protocols" (the demo
    // reads the shipped samples and leaves the user's own folder alone).
    void setProtocolsFolder(const QString& folder) { protocolsFolder_ = folder; }

    // LogView, Dialogs, ProgressView.
    void appendLog(const QString& text) override;
    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    void setProgressText(const QString& text, bool visible) override;
    void setProgressValue(int percent) override;

    // ConnectionView.
    void setUsbField(const QString& text, Tone tone) override;
    void setInterfaceField(const QString& text, Tone tone) override;
    void setModeField(const QString& text) override;
    void setConnectMenusEnabled(bool enabled) override;
    void removeProtocolAndLogPages() override;
    void showEventsLogPage() override;
    void setReadSetAllEnabled(bool enabled) override;
    bool testPageSelected() const override;
    void setProductLabel(const QString& text, Tone tone) override;
    void setModuleLabel(const QString& text, Tone tone) override;
    void addProductMenu(const QString& productName, int identification) override;
    void addModuleMenu(const QString& moduleName) override;
    void setFileButtonsEnabled(bool enabled) override;
    void clearForm() override;
    void resetTools() override;
    void resetTestPage() override;

    // FirmwareView (DownloadViewFirmware.cpp).
    QString firmwarePath() const override;
    void showFirmwarePath(const QString& path) override;
    void setUpgradeEnabled(bool enabled) override;
    void setFirmwareProgress(int percent) override;
    void setAutoConnChecked(bool checked) override;
    void selectTab(int index) override;
    void replaceLog(const QString& text) override;
    FirmwareUpgrade& firmware() { return *firmware_; }
    // FileDialogs, ConfigFileView.
    QString chooseFile(const FileDialogRequest& request) override;
    void setConfigGroupVisible(bool visible) override;
    void showConfigFileName(const QString& fullPath, const QString& name) override;
    void clearProductPanel() override;
    void clearModulePanel() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void wireControls();
    void wireTestPage();
    void wireModuleControls();
    void wireFirmware();
    void wireConfiguration();
    // The vehicle report (DownloadViewReport.cpp).
    void wireReport();
    void saveReport();
    void tabControl1_SelectedIndexChanged();
    void chooseLanguage(int lang);
    int prepareDataFolders();
    void onDatabaseFatal(const QString& message);

    Clock& clock_;
    InterfaceLibrary& lib_;
    DownloadViewUi ui_;
    bool developer_ = false;
    bool started_ = false;
    QString logText_;
    QString databaseFolder_;
    QString protocolsFolder_;
    quint64 logGeneration_ = 0;
    void clearLog();
    // The product the backup named in the title and labelCfgFileName was saved from or opened for;
    // empty while no backup's name is shown.
    std::optional<std::uint32_t> configFileProductId_;
    void forgetConfigFileNameOfAnotherProduct(int identification);
    QTimer timer1_;
    QTimer timerAutoConn_;
    QtOneShotTimer timerHandler_;
    WorkerThread backgroundWorkerCheckDevice_;
    FirmwareWorker backgroundWorker1_;
    QtOneShotTimer firmwareBootPause_;
    QtOneShotTimer firmwareLoaderWait_;
    std::unique_ptr<FirmwareUpgrade> firmware_;
    std::unique_ptr<Controller> controller_;
    std::unique_ptr<TestPageRequests> testPage_;
    std::unique_ptr<ConfigurationFile> configuration_;
    std::unique_ptr<ModuleConfigAdapter> moduleConfig_;
    QPointer<QMenu> productMenu_;
    QPointer<QMenu> moduleMenu_;
    ScriptRunner* script_ = nullptr;
    SessionRecording* recording_ = nullptr;
};

}  // namespace dravik
