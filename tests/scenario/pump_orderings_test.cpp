// The orderings of the threaded pump that lost operations: a whole cycle run inside wakeup(), and a
// timer tick between a worker run and its machine step. Every starter must survive both.

#include <gtest/gtest.h>

#include <algorithm>

#include "sim/Wire.h"
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

// A read pass on virtual time: the product frames it sent, and the bench's time for one exchange.
struct PassTimingTest : PumpOrderingTest {
    std::vector<sim::ReceivedFrame> readPassFrames() {
        EXPECT_TRUE(connect(false));
        mark();
        ops().button_ReadParameters_Click();
        EXPECT_TRUE(rest());
        const std::vector<sim::ReceivedFrame> frames = rig->frames();
        std::vector<sim::ReceivedFrame> product;
        for (std::size_t i = framesBefore; i < frames.size(); ++i)
            if (frames[i].frame.size() > 4 && frames[i].frame[1] == kDestProduct) product.push_back(frames[i]);
        return product;
    }
    static std::int64_t exchangeUs(const sim::ReceivedFrame& request, std::size_t answerBytes) {
        const std::uint32_t baud = sim::baudOfCode(bench.product.baudCode, bench.adapter.baudCode3);
        return 2 * std::int64_t{bench.timing.usbFrameUs} + sim::wireTimeUs(request.frame.size(), baud) +
               bench.timing.productTurnaroundUs + sim::wireTimeUs(answerBytes, baud);
    }
    static inline const sim::BenchConfig bench = standardBenchConfig();
    static constexpr std::uint8_t kIdentificationCode = 0x00;
    static constexpr std::uint8_t kMemoryReadCode = 0x01;
};

// A request leaves as soon as the machine has taken the previous answer: no pacing of the
// handler's idle cycles comes between them, so on virtual time each memory read of a read pass
// follows the previous one by exactly the bench's time for one exchange.
TEST_F(PassTimingTest, EachRequestLeavesWhenThePreviousAnswerIsTaken) {
    constexpr std::size_t kMemoryAnswerBytes = 8;  // address and value
    std::vector<sim::ReceivedFrame> reads;
    for (const sim::ReceivedFrame& f : readPassFrames())
        if (f.frame[4] == kMemoryReadCode) reads.push_back(f);
    ASSERT_GT(reads.size(), 2u);
    for (std::size_t i = 1; i < reads.size(); ++i)
        EXPECT_EQ(reads[i].timeUs - reads[i - 1].timeUs, exchangeUs(reads[i - 1], kMemoryAnswerBytes)) << "read " << i;
}

// The pause after the identification is the only wait before a pass's first read: the panel is
// made ready within it, and the machine's steps between the answer and the read are no waiting
// cycles to pace.
TEST_F(PassTimingTest, TheFirstReadLeavesWhenTheIdentificationPauseEnds) {
    constexpr std::size_t kIdentificationAnswerBytes = 10;  // four data bytes
    constexpr std::int64_t kPauseUs = 800000;
    const std::vector<sim::ReceivedFrame> frames = readPassFrames();
    const auto first = [&](std::uint8_t code) {
        return std::find_if(frames.begin(), frames.end(), [&](const auto& f) { return f.frame[4] == code; });
    };
    const auto identification = first(kIdentificationCode);
    const auto firstRead = first(kMemoryReadCode);
    ASSERT_NE(identification, frames.end());
    ASSERT_NE(firstRead, frames.end());
    EXPECT_EQ(firstRead->timeUs - identification->timeUs, exchangeUs(*identification, kIdentificationAnswerBytes) + kPauseUs);
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
