#include <gtest/gtest.h>

#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

// The standard bench: the adapter plugged, product 37 answering at code 1.
struct AutoConnectionTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;

    void open(sim::BenchConfig bench = {}) {
        rig = std::make_unique<ScenarioRig>(bench, true);
        ASSERT_TRUE(rig->installSampleDatabase());
    }
    int identificationFrames() {
        int n = 0;
        for (const auto& f : rig->frames())
            if (f.frame.size() == 6 && f.frame[1] == kDestProduct && f.frame[4] == 0x00) ++n;
        return n;
    }
    AutoConnection& manager() { return rig->controller->autoConn(); }
};

TEST_F(AutoConnectionTest, ConnectsOnceThenChecksEveryOtherTick) {
    open();
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->s().product.Prd_connected == 1 &&
                                                   rig->log().count("AutoConn: Identification ") >= 3; }));
    EXPECT_EQ(rig->log().count("Auto conn: first conn !\r\n"), 1);
    EXPECT_TRUE(rig->log().contains("Found product \r\n"));
    EXPECT_TRUE(rig->view.product.text.startsWith("Product: TAVIRON A37. ( Id: 037"));
    EXPECT_EQ(rig->log().count("AutoConn: Reboot product"), 0);
    // Checks alternate with their evaluation: one identification per two ticks.
    const int before = rig->log().count("AutoConn: Identification ");
    rig->runFor(10000);
    const int checks = rig->log().count("AutoConn: Identification ") - before;
    EXPECT_GE(checks, 4);
    EXPECT_LE(checks, 5);
    EXPECT_EQ(rig->log().count("Auto conn: first conn !"), 1);
}

TEST_F(AutoConnectionTest, ProductThatFallsSilentIsRebootedOnceThenSuspended) {
    open();
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->s().product.Prd_connected == 1 &&
                                                   manager().AutoConnStat == AUTOCONN_CHECK_ANSWER; }));
    rig->lib->withBench([](sim::Bench& b) { b.config().product.present = false; });
    ASSERT_TRUE(rig->runFor(120000, [&] { return manager().AutoConnStat == AUTOCONN_SUSPENDED; }));
    // First failed check is repeated, the second reboots; the reboot finds nothing and suspends.
    EXPECT_EQ(rig->log().count("AutoConn: Reboot product \r\n"), 1);
    EXPECT_EQ(rig->progress.text, "Product not found !");
    const int frames = identificationFrames();
    rig->runFor(20000);
    EXPECT_EQ(identificationFrames(), frames);  // suspended: no more checks
}

// A module wired to the cable takes the link over after the first connection; the product cannot
// answer a check then, so none is sent (the product would be rebooted for nothing), until an
// operation on the product gives the link back.
TEST_F(AutoConnectionTest, NoChecksWhileTheLinkIsTheDirectModules) {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/vrak2-direct.json", error);
    ASSERT_TRUE(bench) << error;
    open(*bench);
    const auto allSlotsAsked = [&] {
        for (const auto& f : rig->frames())
            if (f.frame.size() > 4 && f.frame[1] == kDestProduct && f.frame[4] == 0x0C) return true;
        return false;
    };
    ASSERT_TRUE(rig->runFor(120000, [&] { return allSlotsAsked() && !rig->controller->handler().ProcessIsInProgress(false); }));
    ASSERT_EQ(rig->s().connection.Actual_communication, 1);
    const int frames = identificationFrames();
    rig->runFor(30000);
    EXPECT_EQ(identificationFrames(), frames);
    EXPECT_EQ(rig->log().count("AutoConn: Reboot product"), 0);
    EXPECT_EQ(rig->s().product.Prd_connected, 1);

    rig->controller->panelOperations().button_ReadParameters_Click();
    ASSERT_TRUE(rig->runFor(60000, [&] { return rig->s().connection.Actual_communication == 2 &&
                                                   !rig->controller->handler().ProcessIsInProgress(false); }));
    const int checks = rig->log().count("AutoConn: Identification ");
    rig->runFor(10000);
    EXPECT_GE(rig->log().count("AutoConn: Identification ") - checks, 4);
    EXPECT_EQ(rig->log().count("AutoConn: Reboot product"), 0);
}

// A reconnection gives the link back to the product before anything else: stopped right after the
// product is found (before the functions set the link up again), the checks must come back.
TEST_F(AutoConnectionTest, ChecksComeBackWhenTheLinkIsInDoubt) {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/vrak2-direct.json", error);
    ASSERT_TRUE(bench) << error;
    open(*bench);
    ASSERT_TRUE(rig->runFor(120000, [&] { return rig->s().connection.Actual_communication == 1 &&
                                                    !rig->controller->handler().ProcessIsInProgress(false); }));
    const int found = rig->log().count("Found product");
    rig->controller->autoConn().RebootConnectProduct();
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->log().count("Found product") > found; }));
    rig->controller->handler().StopProcess();
    ASSERT_EQ(rig->s().connection.Actual_communication, 1);
    const int frames = identificationFrames();
    rig->runFor(10000);
    EXPECT_GE(identificationFrames() - frames, 3);
    EXPECT_EQ(rig->log().count("AutoConn: Reboot product"), 0);
}

TEST_F(AutoConnectionTest, AtMostTwoRebootsInARow) {
    open();
    ASSERT_TRUE(rig->runFor(30000, [&] { return manager().AutoConnStat == AUTOCONN_CHECK_ANSWER; }));
    rig->runFor(3000, [&] { return !rig->controller->handler().ProcessIsInProgress(false); });
    manager().AutoConnCnt = 2;
    manager().AutoConnStat = AUTOCONN_REBOOT_PRODUCT;
    manager().AutoConnManager();
    EXPECT_EQ(manager().AutoConnStat, AUTOCONN_SUSPENDED);
    EXPECT_EQ(rig->log().count("AutoConn: Reboot product"), 0);
}

TEST_F(AutoConnectionTest, UndefinedProductEndsTheProcessWithItsSupplyOff) {
    sim::BenchConfig bench;
    bench.product.identification = {0, 99, 1, 0};  // no description in the database
    open(bench);
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->log().contains("Product not defined! \r\n"); }));
    EXPECT_TRUE(rig->runFor(5000, [&] { return !rig->controller->handler().ProcessIsInProgress(false); }));
    bool supply = true;
    rig->lib->withBench([&](sim::Bench& b) { supply = (b.outputWord() & 0x0100) != 0; });
    EXPECT_FALSE(supply);
    EXPECT_EQ(rig->view.product.text, "( Id: 99, ver. 1, subver. 0 )");
}

TEST_F(AutoConnectionTest, UntickedManagerOnlyRunsTheWatchdog) {
    open();
    rig->autoConnChecked = false;
    rig->runFor(5000);
    EXPECT_FALSE(rig->log().contains("Auto conn"));
    EXPECT_FALSE(rig->s().connection.Interface_connected);
    // A time-out nobody consumes is turned into a freeable state after about two seconds.
    rig->s().link.RequestCmd = IDENTIFICATION;
    rig->s().link.CmdHandler_state = HANDLER_TIMEOUT;
    rig->runFor(1500);
    EXPECT_EQ(rig->s().link.CmdHandler_state.load(), HANDLER_TIMEOUT);
    rig->runFor(2000);  // freed by the next WatchBus call (the 100 ms tick takes nothing)
    EXPECT_EQ(rig->s().link.CmdHandler_state.load(), HANDLER_ANSWERED);
    EXPECT_EQ(rig->controller->handler().WatchBus(0, true), RESULT_ANSWER_OK);
    EXPECT_EQ(rig->controller->handler().WatchBus(0, true), RESULT_IDLE);
}

TEST_F(AutoConnectionTest, UnplugAndPlugReconnectEverything) {
    open();
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->s().product.Prd_connected == 1; }));
    rig->plug(false);
    const bool gone = rig->runFor(5000, [&] { return manager().AutoConnStat == AUTOCONN_NO_DEVICE; });
    ASSERT_TRUE(gone) << manager().AutoConnStat << " " << rig->s().machines.EnterFunctions_state << " "
                      << rig->s().machines.EnterProduct_state << " " << int(rig->s().link.CmdHandler_state.load())
                      << " " << rig->log().right(600).toStdString();
    EXPECT_EQ(rig->view.product.text, "No product connected.");
    rig->plug(true);
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->s().product.Prd_connected == 1; }));
    EXPECT_EQ(rig->log().count("Auto conn: first conn !"), 2);
}

TEST_F(AutoConnectionTest, UserRebootWhileAnAutomaticCommandRunsTakesOver) {
    open();
    ASSERT_TRUE(rig->runFor(30000, [&] { return manager().AutoConnStat == AUTOCONN_CHECK_ANSWER; }));
    ASSERT_TRUE(rig->s().connection.AutoConnCmd);
    manager().RebootConnectProduct();
    EXPECT_FALSE(rig->s().connection.AutoConnCmd);
    EXPECT_TRUE(rig->dialogs.shown.empty());
    EXPECT_EQ(rig->progress.text, "Connecting product...");
    // A user command under way is not interrupted: the reboot is refused with a message.
    rig->runFor(2000, [&] { return rig->s().link.RequestCmd.load() != 0; });
    ASSERT_NE(rig->s().link.RequestCmd.load(), 0);
    manager().RebootConnectProduct();
    ASSERT_EQ(rig->dialogs.shown.size(), 1u);
    EXPECT_EQ(rig->dialogs.shown[0].text, "There is another command in progress");
}

}  // namespace
