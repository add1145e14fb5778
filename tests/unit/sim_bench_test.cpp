#include <gtest/gtest.h>

#include "unit/sim_bench_rig.h"

namespace {

using namespace simtest;

// Adapter: 1000 USB + 200 turnaround + 1000 USB. Product at 9600: 1000 USB + request 6 bytes
// (66 bits·10^6/9600 = 6875) + 2000 turnaround + answer 10 bytes (11458.3, rounded up 11459) + 1000.
// At 1200: 1000 + 55000 + 2000 + 91667 + 1000.
TEST_F(SimBenchFixture, SimBenchTimingFollowsTheModel) {
    const auto adapter = exchange(request(kAdapter, 0x00), 10);
    ASSERT_TRUE(adapter);
    EXPECT_EQ(adapter->readyUs, 10 + 2200);
    EXPECT_EQ(adapter->data, (Bytes{1, 2, 3, 4}));

    const std::int64_t t0 = powerUp(1);
    const auto fast = exchange(request(kProduct, 0x00), t0);
    ASSERT_TRUE(fast);
    EXPECT_EQ(fast->readyUs, t0 + 22334);
    EXPECT_EQ(fast->data, (Bytes{0, 37, 1, 0}));

    bench.config().product.baudCode = 2;
    bench.config().faults.extraDelayUs = 7;
    ASSERT_TRUE(exchange(mbusSetup(0x0000, 2), t0 + 100000));  // speed only, lines unchanged
    const auto slow = exchange(request(kProduct, 0x00), t0 + 200000);
    ASSERT_TRUE(slow);
    EXPECT_EQ(slow->readyUs, t0 + 200000 + 150667 + 7);
}

struct SilentCase {
    const char* name;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> setups;  // sent at 0, 1000000, 2000000...
    std::uint8_t productBaudCode;
    std::int64_t afterLastSetupUs;  // the identification is sent this long after the last setup
    bool answers;
};

class SimBenchProductListens : public SimBenchFixture, public ::testing::WithParamInterface<SilentCase> {};

// Supply applies 1000 µs after the setup is sent; the product hears a request 1000 + 6875 µs
// after it is sent and needs 500000 µs of supply before that.
TEST_P(SimBenchProductListens, OnlyWhenPoweredBootedAndAtItsSpeed) {
    const SilentCase& c = GetParam();
    bench.config().product.baudCode = c.productBaudCode;
    std::int64_t t = 0;
    for (const auto& [word, baud] : c.setups) {
        ASSERT_TRUE(exchange(mbusSetup(word, baud), t));
        t += 1000000;
    }
    const auto answer = exchange(request(kProduct, 0x00), t - 1000000 + c.afterLastSetupUs);
    EXPECT_EQ(answer.has_value(), c.answers);
}

INSTANTIATE_TEST_SUITE_P(
    SimBench, SimBenchProductListens,
    ::testing::Values(
        SilentCase{"NeverPowered", {{0x0000, 1}}, 1, 900000, false},
        SilentCase{"SwitchedOff", {{kSupplyOn, 1}, {kAllOff, 1}}, 1, 900000, false},
        SilentCase{"OneMicrosecondBeforeBoot", {{kSupplyOn, 1}}, 1, 493124, false},
        SilentCase{"JustBooted", {{kSupplyOn, 1}}, 1, 493125, true},
        SilentCase{
            "PowerCycleRestartsBoot", {{kSupplyOn, 1}, {kAllOff, 1}, {kSupplyOn, 1}}, 1, 400000, false},
        SilentCase{"WrongSpeed", {{kSupplyOn, 1}}, 2, 900000, false},
        SilentCase{"CodeZeroKeepsSpeed", {{kAllOff, 2}, {kSupplyOn, 0}}, 2, 900000, true},
        SilentCase{"UnknownCodeKeepsSpeed", {{kAllOff, 2}, {kSupplyOn, 9}}, 2, 900000, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimBenchFixture, SimBenchOutputWordSwitchesEachLineByItsPairOfBits) {
    EXPECT_EQ(bench.outputWord(), kAllOff);
    const std::vector<std::pair<std::uint16_t, std::uint16_t>> steps{
        {kSupplyOn, 0x837C},  // lines 0, 1, 7 on
        {0x0000, 0x837C},     // neither bit: unchanged
        {0xFFFF, 0x837C},     // both bits: unchanged
        {0x0001, 0x827D},     // supply off, the rest kept
        {0x4000, 0xC23D}};
    std::int64_t t = 0;
    for (const auto& [word, expected] : steps) {
        ASSERT_TRUE(exchange(mbusSetup(word, 0), t += 10000));
        EXPECT_EQ(bench.outputWord(), expected) << std::hex << word;
    }
    EXPECT_EQ(bench.baudCode(), 1);
    EXPECT_FALSE(bench.productPowered(t + 10000));
}

TEST_F(SimBenchFixture, SimBenchMbusSetupAnswersModeAndInputLevels) {
    bench.config().adapter.operativeMode = 7;
    const std::vector<std::pair<std::pair<bool, bool>, std::uint8_t>> cases{
        {{false, false}, 0x00}, {{true, false}, 0x01}, {{false, true}, 0x02}, {{true, true}, 0x03}};
    std::int64_t t = 0;
    for (const auto& [inputs, levels] : cases) {
        bench.config().adapter.input1High = inputs.first;
        bench.config().adapter.input2High = inputs.second;
        const auto answer = exchange(mbusSetup(kAllOff, 0), t += 10000);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->code, 0x40);
        EXPECT_EQ(answer->data, (Bytes{7, levels}));
    }
}

TEST_F(SimBenchFixture, SimBenchWirelessRequestsOfTheLibrary) {
    const auto id = exchange(request(kAdapter, 0x41, {0x78, 0x56, 0x34, 0x12, 1}), 0);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->data, (Bytes{3, 1, 2, 1, 5, 1, 0}));
    const auto setup = exchange(request(kAdapter, 0x42, {2, 13, 3}), 10000);
    ASSERT_TRUE(setup);
    EXPECT_EQ(setup->data, (Bytes{2, 13, 3}));
    EXPECT_FALSE(exchange(request(kAdapter, 0x42, {2, 13}), 20000)) << "short setup";
}

}  // namespace
