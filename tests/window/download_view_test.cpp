#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "script/ScriptRunner.h"

using namespace dravik;

namespace {

struct DownloadViewTest : ::testing::Test {
    QTemporaryDir dir;
    RealClock clock;
    std::unique_ptr<SimulatedInterfaceLibrary> lib;
    std::unique_ptr<DownloadView> view;

    void open(bool developer) {
        qputenv("DRAVIK_DATA_DIR", dir.path().toLocal8Bit());
        if (developer) {
            QFile marker(developerMarkerPath());
            ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
        }
        lib = std::make_unique<SimulatedInterfaceLibrary>(clock, sim::BenchConfig{});
        view = std::make_unique<DownloadView>(clock, *lib);
    }
    // Lets the window's event loop run until its log holds text.
    bool waitForLog(const char* text, int ms = 10000) {
        QElapsedTimer waited;
        waited.start();
        while (!view->logText().contains(QLatin1String(text)) && waited.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return view->logText().contains(QLatin1String(text));
    }
    void TearDown() override {
        view.reset();
        qunsetenv("DRAVIK_DATA_DIR");
    }
};

TEST_F(DownloadViewTest, TitleAndClear) {
    open(false);
    EXPECT_EQ(view->windowTitle(), "Dravik  10.0.0");
    view->appendLog("TX command: IDENTIFICATION. Data: 1.f2.2.2.0.2.\r\n..");
    EXPECT_FALSE(view->ui().statusBox_car->toPlainText().isEmpty());
    view->ui().buttonLogClear->click();
    EXPECT_TRUE(view->ui().statusBox_car->toPlainText().isEmpty());
    EXPECT_TRUE(view->logText().isEmpty());
}

TEST_F(DownloadViewTest, TestPageStopsARunningCommandAndLocksConnecting) {
    open(true);
    ASSERT_TRUE(view->developerLayout());
    auto& hs = view->controller().session().link;
    hs.RequestCmd = IDENTIFICATION;
    hs.CmdHandler_state = HANDLER_RECEIVE;
    QTabWidget* tabs = view->ui().tabControl1;
    int test = -1;
    for (int i = 0; i < tabs->count(); ++i)
        if (tabs->tabText(i) == "Test") test = i;
    ASSERT_GE(test, 0);
    tabs->setCurrentIndex(test);
    EXPECT_EQ(hs.RequestCmd.load(), 0);
    EXPECT_FALSE(view->ui().toolStripButton1->isEnabled());
    EXPECT_FALSE(view->ui().rebootToolStripMenuItem->isEnabled());
    tabs->setCurrentIndex(0);
    EXPECT_TRUE(view->ui().toolStripButton1->isEnabled());
}

TEST_F(DownloadViewTest, ChoosingFrenchWritesTheSettingsFile) {
    open(false);
    view->ui().frenchToolStripMenuItem->trigger();
    QFile f(settingsFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "3");
    EXPECT_EQ(view->controller().session().connection.Language_type, 3);
}

TEST_F(DownloadViewTest, ProductMenusFollowTheIdentification) {
    open(false);
    view->addProductMenu("TAVIRON ZED 63", 63);
    auto* menu = view->findChild<QMenu*>("configurationToolStripMenuItem");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), "Save");
    EXPECT_EQ(menu->actions()[1]->text(), "Open");
    view->clearForm();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(view->findChild<QMenu*>("configurationToolStripMenuItem"), nullptr);
    view->addProductMenu("TAVIRON 12", 12);
    EXPECT_EQ(view->findChild<QMenu*>("TAVIRON 12"), nullptr);
}

// The menu entries and tool-bar buttons reach the backup file; a scripted run answers the dialogs.
TEST_F(DownloadViewTest, ConfigurationEntriesSaveAndOpenTheBackup) {
    open(false);
    Session& s = view->controller().session();
    s.product.Prd_Id1 = 63;
    s.product.Prd_Name = "TAVIRON ZED 63";
    view->addProductMenu(s.product.Prd_Name, 63);
    view->setFileButtonsEnabled(true);
    // A runner whose script has set the answer to the next file dialog.
    auto answering = [&](const QString& choice) {
        auto runner = std::make_unique<ScriptRunner>(view.get(), ScriptHooks{});
        runner->setPrinters([](const QString&) {}, [](const QString&) {});
        QEventLoop loop;
        QObject::connect(runner.get(), &ScriptRunner::finished, &loop, [&](int code) { loop.exit(code); });
        runner->startText("choose-file " + choice);
        EXPECT_EQ(loop.exec(), 0);
        view->setScriptRunner(runner.get());
        return runner;
    };
    auto quoted = [](const QString& path) { return "\"" + path + "\""; };
    const QString a = dir.filePath("a.bkd");
    const QString b = dir.filePath("b.bkd");
    auto menu = [&](const char* name) { view->findChild<QAction*>(name)->trigger(); };

    auto r1 = answering(quoted(a));
    menu("saveConfigurationToolStripMenuItem1");
    EXPECT_TRUE(QFile::exists(a));
    EXPECT_TRUE(view->ui().GroupBoxConfig->isVisibleTo(view.get()));
    EXPECT_EQ(view->windowTitle(), "Dravik  10.0.0  " + QDir::toNativeSeparators(a));
    EXPECT_EQ(view->ui().labelCfgFileName->text(), "a.bkd");

    auto r2 = answering(quoted(b));
    view->ui().toolStripButtonSaveFile->trigger();
    EXPECT_EQ(view->configuration().fileName(), b);
    auto r3 = answering(quoted(a));
    menu("loadConfigurationToolStripMenuItem1");
    EXPECT_EQ(view->configuration().fileName(), a);
    auto r4 = answering(quoted(b));
    view->ui().toolStripButtonOpenFile->trigger();
    EXPECT_EQ(view->configuration().fileName(), b);
    EXPECT_EQ(view->ui().labelCfgFileName->text(), "b.bkd");

    // Cancelled dialogs change nothing.
    auto r5 = answering("Cancel");
    view->ui().toolStripButtonOpenFile->trigger();
    view->ui().toolStripButtonSaveFile->trigger();
    EXPECT_EQ(view->configuration().fileName(), b);
    view->setScriptRunner(nullptr);
}

// The name field keeps its caption until a backup's name is shown there; a shown name (and the
// title's path) goes when another product is identified, and only then.
TEST_F(DownloadViewTest, BackupNameIsForgottenOnlyWhenOneWasShown) {
    open(false);
    Session& s = view->controller().session();
    QLabel* name = view->ui().labelCfgFileName;
    const QString plainTitle = view->windowTitle();
    EXPECT_EQ(name->text(), "Name");
    view->addProductMenu("TAVIRON ZED 63", 63);
    EXPECT_EQ(name->text(), "Name");

    s.product.Prd_Id1 = 63;
    const QString path = QDir::toNativeSeparators(dir.filePath("a.bkd"));
    view->showConfigFileName(path, "a.bkd");
    view->addProductMenu("TAVIRON ZED 63", 63);
    EXPECT_EQ(name->text(), "a.bkd");
    EXPECT_EQ(view->windowTitle(), plainTitle + "  " + path);
    view->addProductMenu("TAVIRON 37", 37);
    EXPECT_EQ(name->text(), "");
    EXPECT_EQ(view->windowTitle(), plainTitle);
}

TEST_F(DownloadViewTest, TestPageSendsTheTickedOutputs) {
    open(true);
    lib->BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    view->controller().iface().Reset_connection();  // as the first device count does: machines at rest
    view->ui().checkBox_Power->click();
    view->ui().button_Send_Mbus_Setup_Req->click();
    ASSERT_TRUE(waitForLog("Input '2'"));
    const QString log = view->logText();
    EXPECT_TRUE(log.contains("Set Output: 0x1fe \r\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("Input '2' > 4V ")) << log.toStdString();
    std::uint16_t word = 0;
    lib->withBench([&](sim::Bench& b) { word = b.outputWord(); });
    EXPECT_EQ(word, 0x01FE);
}

// The product is unpowered and gives no answer: the click comes back before the request's
// time-out has passed, and the outcome follows through the event loop.
TEST_F(DownloadViewTest, TestPageRequestToASilentProductDoesNotHoldTheWindow) {
    open(true);
    lib->BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    view->controller().iface().Reset_connection();
    view->ui().button_Mbus_ID_Request->click();
    EXPECT_FALSE(view->logText().contains("Product ID request")) << view->logText().toStdString();
    EXPECT_TRUE(view->controller().handler().ProcessIsInProgress(false));
    ASSERT_TRUE(waitForLog("Product ID request: RX error 1!\r\n \r\n\r\n")) << view->logText().toStdString();
    EXPECT_FALSE(view->controller().handler().ProcessIsInProgress(false));
}

}  // namespace

namespace {

// The developer layout places the window at (-100, 0); shown, it comes back onto the screen so
// that its menus can be reached.
TEST_F(DownloadViewTest, DeveloperLayoutWindowIsShownOnTheScreen) {
    open(true);
    view->show();
    QEventLoop loop;
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    const QRect area = view->screen()->availableGeometry();
    EXPECT_GE(view->frameGeometry().left(), area.left());
    EXPECT_GE(view->frameGeometry().top(), area.top());
}

}  // namespace
