#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include "app/DownloadView.h"
#include "app/DataFolder.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"

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

TEST_F(DownloadViewTest, TestPageSendsTheTickedOutputs) {
    open(true);
    lib->BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    view->controller().iface().Reset_connection();  // as the first device count does: machines at rest
    view->ui().checkBox_Power->click();
    view->ui().button_Send_Mbus_Setup_Req->click();
    const QString log = view->logText();
    EXPECT_TRUE(log.contains("Set Output: 0x1fe \r\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("Input '2' > 4V ")) << log.toStdString();
    std::uint16_t word = 0;
    lib->withBench([&](sim::Bench& b) { word = b.outputWord(); });
    EXPECT_EQ(word, 0x01FE);
}

}  // namespace
