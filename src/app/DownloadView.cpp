#include "app/DownloadView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>

#include "app/About.h"
#include "app/DataFolder.h"
#include "app/LanguageSettings.h"
#include "app/SessionRecording.h"
#include "app/StatusLogMenu.h"
#include "app/TabPages.h"
#include "app/ui/Looks.h"
#include "link/ThreadedPump.h"

namespace dravik {

QString DownloadView::appName() {
    return QStringLiteral("Dravik  ") + QString::number(DRAVIK_VERSION_MAJOR) + QLatin1Char('.') +
           QString::number(DRAVIK_VERSION_MINOR) + QLatin1Char('.') + QString::number(DRAVIK_VERSION_PATCH);
}

DownloadView::DownloadView(Clock& clock, InterfaceLibrary& lib, QWidget* parent)
    : QMainWindow(parent), clock_(clock), lib_(lib), backgroundWorkerCheckDevice_(this) {
    ui_.setupUi(this);
    setWindowTitle(appName());
    developer_ = developerMarkerExists();
    applyInitialLayout(ui_, this, developer_);

    ControllerDeps deps{clock_,
                        lib_,
                        *this,
                        *this,
                        *this,
                        *this,
                        backgroundWorkerCheckDevice_,
                        timerHandler_,
                        [this](Clock& c, CommandHandler& h, LogView& l) -> std::unique_ptr<Pump> {
                            return std::make_unique<ThreadedPump>(c, h, l, this);
                        },
                        [this] { return ui_.checkBoxAutoConn->isChecked(); },
                        [this] { return prepareDataFolders(); },
                        [this] { return databaseFolder_.isEmpty() ? QDir::currentPath() : databaseFolder_; },
                        [this](const QString& text) { onDatabaseFatal(text); },
                        [this] { return protocolsFolder_.isEmpty() ? protocolsFolder() : protocolsFolder_; }};
    controller_ = std::make_unique<Controller>(std::move(deps));

    timer1_.setInterval(100);
    connect(&timer1_, &QTimer::timeout, this, [this] {
        timer1_.stop();
        controller_->handler().tick100ms();
        timer1_.start();
        controller_->iface().testPageReconnect();
    });
    timerAutoConn_.setInterval(1000);
    connect(&timerAutoConn_, &QTimer::timeout, this, [this] { controller_->timerAutoConnTick(); });
    connect(&timerHandler_.timer, &QTimer::timeout, this, [this] { controller_->timerHandlerFired(); });
    testPage_ = std::make_unique<TestPageRequests>(TestPageRequests::Deps{
        controller_->session().connection, controller_->session().link, controller_->handler(), lib_, *this, *this,
        *this});
    wireControls();
    wireTestPage();
    wireFirmware();
    wireConfiguration();
    wireReport();
    timer1_.start();
    timerAutoConn_.start();
}

DownloadView::~DownloadView() {
    lib_.BSL_UnRegisterUSBDeviceNotification();
    timer1_.stop();
    timerAutoConn_.stop();
}

void DownloadView::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // A place given before the window had its frame (the developer layout's, or one that suits
    // another screen) may leave the menus off the screen.
    QTimer::singleShot(0, this, [this] { ui::keepOnScreen(this); });
    if (started_) return;
    started_ = true;
    // The window exists: register for device changes and count.
    QTimer::singleShot(0, this, [this] { controller_->start(); });
}

void DownloadView::wireControls() {
    Controller& c = *controller_;
    connect(ui_.buttonLogClear, &QPushButton::clicked, this, [this] { clearLog(); });
    installStatusLogMenu(
        ui_.statusBox_car,
        {[this] { return logText_; },
         [this] {
             return chooseFile({FileDialogRequest::Mode::Save, QStringLiteral("Save log"), QStringLiteral("log.txt"),
                                QStringLiteral("txt"), QStringLiteral("Text files (*.txt);;All files (*)"),
                                mainDataFolder()});
         },
         [this](const QString& why) { message(why, QStringLiteral("Save log"), Buttons::Ok, Icon::Error); },
         [this](const QString& path) {
             if (recording_ != nullptr) recording_->offerWithLog(path);
         },
         [this](const QString& line) { appendLog(line); }});
    connect(ui_.buttonStopProcess, &QPushButton::clicked, this, [&c] { c.handler().StopProcess(); });
    connect(ui_.ToolStripMenuItem_ConnectInterface, &QAction::triggered, this,
            [&c] { c.iface().connect_interface_Click(); });
    connect(ui_.rebootToolStripMenuItem, &QAction::triggered, this, [&c] { c.autoConn().RebootConnectProduct(); });
    connect(ui_.toolStripButton1, &QAction::triggered, this, [&c] { c.autoConn().RebootConnectProduct(); });
    connect(ui_.closeToolStripMenuItem, &QAction::triggered, this, [&c] { c.product().closeToolStripMenuItem_Click(); });
    connect(ui_.englishToolStripMenuItem, &QAction::triggered, this, [this] { chooseLanguage(LANGUAGE_ENGLISH); });
    connect(ui_.italianToolStripMenuItem, &QAction::triggered, this, [this] { chooseLanguage(LANGUAGE_ITALIAN); });
    connect(ui_.frenchToolStripMenuItem, &QAction::triggered, this, [this] { chooseLanguage(LANGUAGE_FRENCH); });
    connect(ui_.toolStripMenuItem1, &QAction::triggered, this, [this] {
        About about(this);
        about.adjustSize();
        if (const QScreen* screen = this->screen()) {
            QRect frame = about.frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            about.move(frame.topLeft());
        }
        about.exec();
    });
    connect(ui_.tabControl1, &QTabWidget::currentChanged, this, [this] { tabControl1_SelectedIndexChanged(); });

    // Product panel: the function machine builds its rows into the panel's content widget.
    c.functions().setContainer(ui_.panel_ProductContent);
    c.functions().setParameterButtons([this](bool enabled) {
        ui_.button_SetParameters->setEnabled(enabled);
        ui_.button_ReadParameters->setEnabled(enabled);
    });
    PanelOperations& ops = c.panelOperations();
    connect(ui_.button_ReadParameters, &QPushButton::clicked, this, [&ops] { ops.button_ReadParameters_Click(); });
    connect(ui_.button_SetParameters, &QPushButton::clicked, this, [&ops] { ops.button_SetParameters_Click(); });
    connect(ui_.buttonReadAll, &QPushButton::clicked, this, [&ops] { ops.buttonReadAll_Click(); });
    connect(ui_.buttonSetAll, &QPushButton::clicked, this, [&ops] { ops.buttonSetAll_Click(); });
    wireModuleControls();
}

// The module panel, path box and the controls of the protocol-selection page are the module
// machine's; the lists' own signals are connected by the machine.
void DownloadView::wireModuleControls() {
    EnterModule& m = controller_->module();
    m.setControls({ui_.panel_ModuleContent, ui_.textBox_protocolPath, ui_.button_SetProtocol, ui_.button_ReadProtocols,
                   ui_.checkedListBox_ProtocolSelection, ui_.listBox_selectDeselect_group, ui_.checkBox_AllGroup,
                   ui_.button_Set_Selected_Protocols, ui_.button_Read_All_Protocols, ui_.label_progressBar_protocol,
                   ui_.progressBar_protocol, ui_.pictureBox_padlock_lock, ui_.pictureBox_padlock_unlock,
                   ui_.textBox_modue_password, ui_.button_lock_unlock_protection, ui_.button_reset_log,
                   ui_.button_read_log, ui_.TextBox_log, ui_.progressBar_log, ui_.label_progressBar_log});
    connect(ui_.button_ReadProtocols, &QPushButton::clicked, this, [&m] { m.button_ReadProtocols_Click(); });
    connect(ui_.button_SetProtocol, &QPushButton::clicked, this, [&m] { m.button_SetProtocol_Click(); });
    connect(ui_.button_Read_All_Protocols, &QPushButton::clicked, this, [&m] { m.button_Read_All_Protocols_Click(); });
    connect(ui_.button_Set_Selected_Protocols, &QPushButton::clicked, this,
            [&m] { m.button_Set_Selected_Protocols_Click(); });
    connect(ui_.button_lock_unlock_protection, &QPushButton::clicked, this,
            [&m] { m.button_lock_unlock_protection_Click(); });
    connect(ui_.button_read_log, &QPushButton::clicked, this, [&m] { m.button_read_log_Click(); });
    connect(ui_.button_reset_log, &QPushButton::clicked, this, [&m] { m.button_reset_log_Click(); });
}

void DownloadView::wireTestPage() {
    auto fill = [this] {
        TestPageControls c;
        c.modePosition = ui_.ComboBox_OperativeMode->currentIndex();
        c.baudPosition = ui_.ComboBox_Baudrate->currentIndex();
        c.groupPosition = ui_.ComboBox_ChannelGroup->currentIndex();
        c.channelPosition = ui_.ComboBox_Channel->currentIndex();
        const auto boxes = ui_.outputLineCheckBoxes();
        for (std::size_t i = 0; i < boxes.size(); ++i) c.lines[i] = boxes[i]->isChecked();
        testPage_->Fill_SetupPacket(c);
    };
    for (QComboBox* list : {ui_.ComboBox_OperativeMode, ui_.ComboBox_Baudrate, ui_.ComboBox_ChannelGroup,
                            ui_.ComboBox_Channel})
        connect(list, &QComboBox::currentIndexChanged, this, fill);
    for (QCheckBox* box : ui_.outputLineCheckBoxes()) connect(box, &QCheckBox::clicked, this, fill);
    connect(ui_.button_Mbus_ID_Request, &QPushButton::clicked, this, [this] { testPage_->button_Mbus_ID_Request_Click(); });
    connect(ui_.button_Send_Mbus_Setup_Req, &QPushButton::clicked, this,
            [this] { testPage_->button_Send_Mbus_Setup_Req_Click(); });
    connect(ui_.button_Wi_ID_Request, &QPushButton::clicked, this, [this] {
        testPage_->button_Wi_ID_Request_Click(ui_.textBox_Dest_address->text(), ui_.textBox_Sys_type->text());
    });
    connect(ui_.button_Send_Wi_Setup_Req, &QPushButton::clicked, this,
            [this] { testPage_->button_Send_Wi_Setup_Req_Click(); });
}

void DownloadView::tabControl1_SelectedIndexChanged() {
    const QString caption = ui_.tabControl1->tabText(ui_.tabControl1->currentIndex());
    const TabRule rule = tabRuleForCaption(caption);
    if (rule.testPage && controller_->handler().CommandIsInProgress(false)) controller_->handler().StopProcess();
    applyTabRule(ui_, rule);
}

void DownloadView::chooseLanguage(int lang) {
    QString reason;
    if (!Save_Language(lang, controller_->session().connection.Language_type, &reason)) {
        const QString text = QStringLiteral("Cannot write the settings file %1: %2")
                                 .arg(displayPath(settingsFilePath()), reason);
        appendLog(text + kCrLf);
        message(text + QStringLiteral("\nThe language is used until the program ends."),
                QStringLiteral("Settings file"), Buttons::Ok, Icon::Warning);
    }
    controller_->autoConn().RebootConnectProduct();
}

int DownloadView::prepareDataFolders() {
    const DataFolderCheck check = ensureDataFolders();
    if (check.needsMessage())
        message(check.text, check.caption, Buttons::Ok,
                check.outcome == DataFolderCheck::Outcome::Failed ? Icon::Error : Icon::Warning);
    LanguageFileReport report;
    const int lang = CfgAppReadLang(LANGUAGE_ENGLISH, &report);
    if (const QString text = settingsFileNotices_.after(report); !text.isEmpty()) {
        // The standard layout shows no status log: the technician is told in a box too.
        appendLog(text + kCrLf);
        message(text + QStringLiteral("\n") + displayPath(settingsFilePath()), QStringLiteral("Settings file"),
                Buttons::Ok, Icon::Warning);
    }
    return lang;
}

void DownloadView::onDatabaseFatal(const QString& text) {
    fprintf(stderr, "%s\n", qPrintable(text));
    message(text, QStringLiteral("Product database"), Buttons::Ok, Icon::Error);
    QCoreApplication::exit(-1);
}

}  // namespace dravik
