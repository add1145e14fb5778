// The orderings of the threaded pump that lost operations: a whole cycle run inside wakeup(), and a
// timer tick between a worker run and its machine step. Every starter must survive both.

#include <gtest/gtest.h>

#include "support/PanelRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

struct PumpOrderingTest : ::testing::Test, PanelRig {
    void connectInline(bool autoConn) {
        ASSERT_TRUE(connect(autoConn));
        pump().inlineWakeups = true;
    }
};

struct StarterCase {
    const char* name;
    std::function<void(PumpOrderingTest&)> start;
    std::uint8_t dest;
    std::uint8_t code;  // a frame the operation must send
    bool productStays = true;
};

const StarterCase kStarters[] = {
    {"Read", [](PumpOrderingTest& t) { t.ops().button_ReadParameters_Click(); }, kDestProduct, 0x01},
    {"Set",
     [](PumpOrderingTest& t) {
         t.chooseOther(kRowSiren);
         t.ops().button_SetParameters_Click();
     },
     kDestProduct, 0x02},
    {"RowButton",
     [](PumpOrderingTest& t) {
         t.type(kRowCode, "5678");
         t.ops().FunctionButton_Click(kRowCode);
     },
     kDestProduct, 0x02},
    {"Defaults", [](PumpOrderingTest& t) { t.ops().DefaultParameters_fnc(); }, kDestProduct, 0x0F},
    {"SetAll",
     [](PumpOrderingTest& t) {
         t.chooseOther(kRowSiren);
         t.ops().buttonSetAll_Click();
     },
     kDestProduct, 0x02},
    {"PowerOff", [](PumpOrderingTest& t) { t.rig->controller->product().closeToolStripMenuItem_Click(); },
     kDestInterface, 0x40, false},
    {"Reboot", [](PumpOrderingTest& t) { t.rig->controller->autoConn().RebootConnectProduct(); }, kDestInterface,
     0x40},
};

// With a cycle run inside every wake-up, each starter still sends its command and its operation
// ends; no starter needed the tick to rescue a resting pump.
TEST_F(PumpOrderingTest, StartersSurviveACycleRunInsideTheWakeup) {
    for (const StarterCase& c : kStarters) {
        SCOPED_TRACE(c.name);
        connectInline(false);
        const int inlineBefore = pump().inlineRuns;
        c.start(*this);
        ASSERT_TRUE(rig->runFor(20000, [&] { return framesWithCode(c.dest, c.code) > 0 && resting(); }));
        EXPECT_GT(pump().inlineRuns, inlineBefore);
        EXPECT_EQ(rig->controller->strandedWakeups(), 0);
    }
}

// The same with the automatic connection polling: each user operation takes over from a pending
// check and polling goes on afterwards.
TEST_F(PumpOrderingTest, StartersTakeOverFromAPendingCheck) {
    for (const StarterCase& c : kStarters) {
        SCOPED_TRACE(c.name);
        connectInline(true);
        ASSERT_TRUE(rig->runFor(3000, [&] { return s().connection.AutoConnCmd; }));
        c.start(*this);
        ASSERT_TRUE(rig->runFor(20000, [&] { return framesWithCode(c.dest, c.code) > 0; }));
        EXPECT_FALSE(rig->log().contains("Wait until the previous command is completed!"));
        if (!c.productStays) continue;
        const int checks = rig->log().count("AutoConn: Identification");
        EXPECT_TRUE(rig->runFor(30000, [&] { return rig->log().count("AutoConn: Identification") > checks + 1; }));
        EXPECT_EQ(rig->controller->strandedWakeups(), 0);
    }
}

// The 100 ms tick landing between the worker's end and the machine step must not take the
// interface identification's answer away from the interface machine.
TEST_F(PumpOrderingTest, TickBetweenWorkerAndStepLeavesTheAnswer) {
    rig = std::make_unique<ScenarioRig>(standardBenchConfig(), false);
    rig->runFor(50);
    pump().stepDelayUs = [] { return std::int64_t{100000}; };
    rig->controller->iface().Restart();
    EXPECT_TRUE(rig->runFor(3000, [&] { return s().connection.Interface_connected; }));
}

}  // namespace
