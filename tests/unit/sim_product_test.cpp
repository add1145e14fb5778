#include <gtest/gtest.h>

#include "unit/sim_bench_rig.h"

namespace {

using namespace simtest;

struct CommandCase {
    const char* name;
    std::uint8_t code;
    Bytes data;
    bool hasModule;
    std::optional<Bytes> answer;  // nullopt: the product stays silent
};

class SimBenchProductCommands : public SimBenchFixture, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(SimBenchProductCommands, AnswerByCodeAndLength) {
    const CommandCase& c = GetParam();
    bench.config().product.hasModule = c.hasModule;
    bench.config().product.moduleConfig = {4, 5, 6};
    bench.config().product.memory[0x21] = 0x5A;
    const auto answer = exchange(request(kProduct, c.code, c.data), powerUp());
    ASSERT_EQ(answer.has_value(), c.answer.has_value());
    if (answer) {
        EXPECT_EQ(answer->dest, kProduct);
        EXPECT_EQ(answer->code, c.code);
        EXPECT_EQ(answer->data, *c.answer);
    }
}

INSTANTIATE_TEST_SUITE_P(
    SimBench, SimBenchProductCommands,
    ::testing::Values(CommandCase{"Identification", 0x00, {}, false, Bytes{0, 37, 1, 0}},
                      CommandCase{"MemoryRead", 0x01, {0x21}, false, Bytes{0x21, 0x5A}},
                      CommandCase{"MemoryReadWithoutAddress", 0x01, {}, false, std::nullopt},
                      CommandCase{"TestMode", 0x05, {0x01}, false, Bytes{}},
                      CommandCase{"ModuleInfo", 0x08, {}, true, Bytes{1, 0xA1, 1}},
                      CommandCase{"ModuleInfoWithoutModule", 0x08, {}, false, std::nullopt},
                      CommandCase{"ModuleConfig", 0x09, {}, false, Bytes{4, 5, 6}},
                      CommandCase{"ParkingDefault", 0x0F, {}, false, Bytes{}},
                      CommandCase{"UnknownCode", 0x33, {}, false, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimBenchFixture, SimBenchMemoryWritesPersistUntilDefaultsRestored) {
    auto& product = bench.config().product;
    product.memory[0x10] = 1;
    product.defaults[0x10] = 9;
    std::int64_t t = powerUp();

    const auto written = exchange(request(kProduct, 0x02, {0x10, 0x00, 0x55}), t);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->data, (Bytes{0x10, 0x55}));
    EXPECT_EQ(bench.productWrites(), (std::vector<std::pair<std::uint8_t, std::uint8_t>>{{0x10, 0x55}}));

    // A power cycle restarts the product; its EEPROM keeps the value.
    ASSERT_TRUE(exchange(mbusSetup(kAllOff, 0), t += 100000));
    ASSERT_TRUE(exchange(mbusSetup(kSupplyOn, 0), t += 100000));
    t += 600000;
    const auto reread = exchange(request(kProduct, 0x01, {0x10}), t);
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->data, (Bytes{0x10, 0x55}));

    ASSERT_TRUE(exchange(request(kProduct, 0x0F), t += 100000));
    EXPECT_EQ(bench.productMemory()[0x10], 9);
    const auto restored = exchange(request(kProduct, 0x01, {0x10}), t += 100000);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->data, (Bytes{0x10, 9}));
    EXPECT_EQ(bench.productWrites().size(), 1u) << "restoring defaults is not a memory write";
}

}  // namespace
