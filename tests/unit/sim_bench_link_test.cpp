#include <gtest/gtest.h>

#include "unit/sim_bench_rig.h"

namespace {

using namespace simtest;

TEST_F(SimBenchFixture, SimBenchDropAndCorruptTakeTheNextAnswersInTurn) {
    bench.config().faults.dropNext = 1;
    bench.config().faults.corruptNext = 1;
    EXPECT_FALSE(exchange(request(kAdapter, 0x00), 0)) << "dropped";
    const auto corrupted = exchange(request(kAdapter, 0x00), 10000, false);
    ASSERT_TRUE(corrupted);
    EXPECT_EQ(corrupted->code, 0x80);
    const auto clean = exchange(request(kAdapter, 0x00), 20000);
    ASSERT_TRUE(clean);
    EXPECT_EQ(clean->code, 0x00);
    EXPECT_EQ(bench.config().faults.dropNext, 0);
    EXPECT_EQ(bench.config().faults.corruptNext, 0);
}

TEST_F(SimBenchFixture, SimBenchUnplugDropsAnswersAndPowersTheLinesDown) {
    const std::int64_t t = powerUp(1);
    bench.write(request(kProduct, 0x00), t);
    ASSERT_TRUE(bench.nextReadyUs());

    bench.unplug();
    EXPECT_EQ(bench.count(0x2047, 0x0301), 0);
    EXPECT_FALSE(bench.nextReadyUs());
    EXPECT_FALSE(bench.read(t + 1000000));
    const auto framesBefore = bench.received().size();
    bench.write(request(kAdapter, 0x00), t + 1000000);
    EXPECT_EQ(bench.received().size(), framesBefore) << "nothing reaches an unplugged device";

    bench.plug();
    EXPECT_EQ(bench.count(0x2047, 0x0301), 1);
    EXPECT_EQ(bench.count(0x2047, 0x0200), 0);
    EXPECT_EQ(bench.outputWord(), kAllOff);
    EXPECT_FALSE(bench.productPowered(t + 2000000));
    EXPECT_FALSE(exchange(request(kProduct, 0x00), t + 2000000)) << "the product lost its supply";
    EXPECT_TRUE(exchange(request(kAdapter, 0x00), t + 3000000));
}

TEST_F(SimBenchFixture, SimBenchEarliestReadyAnswerLeavesFirst) {
    const std::int64_t t = powerUp(1);
    bench.write(request(kProduct, 0x00), t);      // ready at t + 22334
    bench.write(request(kAdapter, 0x00), t + 1);  // ready at t + 2201
    EXPECT_EQ(bench.nextReadyUs(), t + 2201);
    const auto first = bench.read(t + 30000);
    ASSERT_TRUE(first);
    EXPECT_EQ((*first)[3], kAdapter);
    const auto second = bench.read(t + 30000);
    ASSERT_TRUE(second);
    EXPECT_EQ((*second)[3], kProduct);
}

struct BadFrameCase {
    const char* name;
    std::size_t offset;  // report byte to change
    std::uint8_t value;
};

class SimBenchBadFrames : public SimBenchFixture, public ::testing::WithParamInterface<BadFrameCase> {};

TEST_P(SimBenchBadFrames, AreRecordedButNotAnswered) {
    const BadFrameCase& c = GetParam();
    Report r = request(kAdapter, 0x00);
    r[c.offset] = c.value;
    bench.write(r, 0);
    ASSERT_EQ(bench.received().size(), 1u);
    EXPECT_FALSE(bench.received()[0].valid);
    EXPECT_EQ(bench.received()[0].timeUs, 0);
    EXPECT_FALSE(bench.nextReadyUs());
}

INSTANTIATE_TEST_SUITE_P(
    SimBench, SimBenchBadFrames,
    ::testing::Values(BadFrameCase{"Checksum", 7, 0x03}, BadFrameCase{"ReportId", 0, 0x3A},
                      BadFrameCase{"SizeAbove62", 1, 63}, BadFrameCase{"SizeBelowFrame", 1, 5},
                      BadFrameCase{"LengthBeyondSize", 5, 61}, BadFrameCase{"LengthBelowTwo", 5, 1},
                      BadFrameCase{"StartByte", 2, 0x00}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimBenchFixture, SimBenchRecordsValidFramesWithoutPadding) {
    bench.write(request(0xF3, 0x00), 5);  // nobody at that address
    ASSERT_EQ(bench.received().size(), 1u);
    EXPECT_TRUE(bench.received()[0].valid);
    EXPECT_EQ(bench.received()[0].frame, (Bytes{0x01, 0xF3, 0x02, 0x02, 0x00, 0x02}));
    EXPECT_FALSE(bench.nextReadyUs());
    bench.clearReceived();
    EXPECT_TRUE(bench.received().empty());
}

}  // namespace
