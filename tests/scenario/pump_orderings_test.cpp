// The orderings of the threaded pump that lost operations: a whole cycle run inside wakeup(), and a
// timer tick between a worker run and its machine step. Every starter must survive both.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr int kSiren = 0;  // list row at 0x10
constexpr int kCode = 3;   // four-digit code row at 0x20

sim::BenchConfig standardBench() {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    EXPECT_TRUE(bench) << error;
    return bench ? *bench : sim::BenchConfig{};
}

struct PumpOrderingTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;
    QWidget container;
    std::size_t framesBefore = 0;

    VirtualPump& pump() { return static_cast<VirtualPump&>(rig->controller->pump()); }
    Session& s() { return rig->s(); }
    PanelOperations& ops() { return rig->controller->panelOperations(); }
    ProductPanel& panel() { return rig->controller->functions().panel(); }
    bool resting() { return !rig->controller->handler().ProcessIsInProgress(false); }

    void connect(bool autoConn) {
        rig = std::make_unique<ScenarioRig>(standardBench(), autoConn);
        ASSERT_TRUE(rig->installSampleDatabase());
        rig->controller->functions().setContainer(&container);
        pump().inlineWakeups = true;
        if (autoConn) {
            ASSERT_TRUE(rig->runFor(30000, [&] {
                return rig->log().contains("AutoConn: Identification") && panel().rowCount() > 0 && resting();
            }));
        } else {
            rig->runFor(50);
            rig->controller->iface().Restart();
            ASSERT_TRUE(rig->runFor(3000, [&] { return s().connection.Interface_connected && resting(); }));
            rig->controller->autoConn().RebootConnectProduct();
            ASSERT_TRUE(rig->runFor(30000, [&] { return panel().rowCount() > 0 && resting(); }));
        }
        framesBefore = rig->frames().size();
    }
    // Product or adapter frames with this code since the mark.
    int framesWithCode(std::uint8_t dest, std::uint8_t code) {
        const auto frames = rig->frames();
        int n = 0;
        for (std::size_t i = framesBefore; i < frames.size(); ++i)
            if (frames[i].frame.size() > 5 && frames[i].frame[1] == dest && frames[i].frame[4] == code) ++n;
        return n;
    }
};

struct StarterCase {
    const char* name;
    std::function<void(PumpOrderingTest&)> start;
    std::uint8_t dest;
    std::uint8_t code;  // a frame the operation must send
    bool productStays = true;
};

void setCode(PumpOrderingTest& t) {
    QLineEdit* box = t.panel().row(kCode).text;
    box->setText("5678");
}

const StarterCase kStarters[] = {
    {"Read", [](PumpOrderingTest& t) { t.ops().button_ReadParameters_Click(); }, kDestProduct, 0x01},
    {"Set",
     [](PumpOrderingTest& t) {
         QComboBox* c = t.panel().row(kSiren).combo;
         const int item = c->currentIndex() == 0 ? 1 : 0;
         c->setCurrentIndex(item);
         emit c->activated(item);
         t.ops().button_SetParameters_Click();
     },
     kDestProduct, 0x02},
    {"RowButton",
     [](PumpOrderingTest& t) {
         setCode(t);
         t.ops().FunctionButton_Click(kCode);
     },
     kDestProduct, 0x02},
    {"Defaults", [](PumpOrderingTest& t) { t.ops().DefaultParameters_fnc(); }, kDestProduct, 0x0F},
    {"SetAll",
     [](PumpOrderingTest& t) {
         QComboBox* c = t.panel().row(kSiren).combo;
         const int item = c->currentIndex() == 0 ? 1 : 0;
         c->setCurrentIndex(item);
         emit c->activated(item);
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
        connect(false);
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
        connect(true);
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
    rig = std::make_unique<ScenarioRig>(standardBench(), false);
    rig->runFor(50);
    pump().stepDelayUs = [] { return std::int64_t{100000}; };
    rig->controller->iface().Restart();
    EXPECT_TRUE(rig->runFor(3000, [&] { return s().connection.Interface_connected; }));
}

}  // namespace
