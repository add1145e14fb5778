#include <gtest/gtest.h>

#include "unit/sim_module_rig.h"

namespace {

using namespace simtest;

struct ListenCase {
    const char* name;
    std::vector<std::pair<std::uint16_t, std::uint8_t>> setups;  // 100 ms apart
    std::uint8_t moduleBaudCode;
    bool moduleAnswers;
    bool productAnswers;
};

class SimModuleListens : public SimModuleFixture, public ::testing::WithParamInterface<ListenCase> {};

// The module takes the bus while output 1 high is on and the key off, at its own speed; the
// product has it otherwise.
TEST_P(SimModuleListens, OnlyOnItsLinesAndSpeed) {
    const ListenCase& c = GetParam();
    bench.config().module.baudCode = c.moduleBaudCode;
    for (const auto& [word, baud] : c.setups) {
        ASSERT_TRUE(exchange(mbusSetup(word, baud), t));
        t += 100000;
    }
    t += 600000;
    EXPECT_EQ(ask(kSlotInfo, {1}).has_value(), c.moduleAnswers) << "slot information";
    EXPECT_EQ(ask(0x00).has_value(), c.productAnswers) << "product identification";
}

INSTANTIATE_TEST_SUITE_P(
    SimModule, SimModuleListens,
    ::testing::Values(ListenCase{"ModuleLinesAtItsSpeed", {{kAllOff, 3}, {kModuleLines, 0}}, 3, true, false},
                      ListenCase{
                          "ModuleLinesAtProductSpeed", {{kAllOff, 1}, {kModuleLines, 0}}, 3, false, false},
                      ListenCase{"KeyOn", {{kAllOff, 3}, {0x8778, 0}}, 3, false, false},
                      ListenCase{"ProductLines", {{kAllOff, 1}, {kSupplyOn, 0}}, 1, false, true},
                      ListenCase{"SupplyOff", {{kAllOff, 3}, {0x047B, 0}}, 3, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimModuleFixture, SimModuleSilentUntilBooted) {
    bench.config().module.bootTimeUs = 300000;
    ASSERT_TRUE(exchange(mbusSetup(kAllOff, 3), t));
    ASSERT_TRUE(exchange(mbusSetup(kModuleLines, 0), t += 100000));
    EXPECT_FALSE(bench.moduleListening(t + 250000));
    EXPECT_FALSE(exchange(request(kProduct, kActualSlot), t + 250000));
    EXPECT_TRUE(bench.moduleListening(t + 310000));
    EXPECT_TRUE(exchange(request(kProduct, kActualSlot), t + 310000));
}

struct AnswerCase {
    const char* name;
    std::uint8_t softwareType;
    std::uint8_t code;
    Bytes data;
    std::optional<Bytes> answer;
};

class SimModuleAnswers : public SimModuleFixture, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(SimModuleAnswers, ByCodeAndLength) {
    const AnswerCase& c = GetParam();
    bench.config().module.softwareType = c.softwareType;
    bench.config().module.allSlots[2].groupCode = 101;
    switchToModule();
    const auto answer = ask(c.code, c.data);
    ASSERT_EQ(answer.has_value(), c.answer.has_value());
    if (answer) {
        EXPECT_EQ(answer->dest, kProduct);
        EXPECT_EQ(answer->code, c.code);
        EXPECT_EQ(answer->data, *c.answer);
    }
}

const Bytes kZeros18(18, 0);
const Bytes kZeros22(22, 0);

INSTANTIATE_TEST_SUITE_P(
    SimModule, SimModuleAnswers,
    ::testing::Values(
        // version and decoder of the selected slot 1; three working slots (selected ones)
        AnswerCase{"Selection", 0xA2, kActualSlot, {}, Bytes{3, 1, 0x00, 0x01, 3, 0x00, 0x03, 5}},
        AnswerCase{
            "SelectionOfA1CountsEverySlot", 0xA1, kActualSlot, {}, Bytes{3, 1, 0x00, 0x01, 5, 0x00, 0x03, 5}},
        AnswerCase{"AllConfiguration", 0xA2, kActualAll, {}, Bytes{5, 0, 2}},
        AnswerCase{
            "WorkingSlot", 0xA2, kSlotInfo, {3}, concat(concat({3}, nameBytes("CAN ALPHA")), {'C', 4, 5, 1})},
        AnswerCase{"WorkingSlotOfA1",
                   0xA1,
                   kSlotInfo,
                   {4},
                   concat(concat({4}, nameBytes("K-LINE")), {'A', 2, 7, 0})},
        AnswerCase{"WorkingSlotBeyondCount", 0xA2, kSlotInfo, {4}, concat({0}, kZeros18)},
        AnswerCase{"WorkingSlotZero", 0xA2, kSlotInfo, {0}, concat({0}, kZeros18)},
        AnswerCase{"AllSlotCarriesGroupCodeAndState",
                   0xA2,
                   kAllSlotInfo,
                   {3},
                   concat(concat({3}, nameBytes("CAN ALPHA")), {'C', 4, 5, 101, 1, 0, 0, 0})},
        AnswerCase{"AllSlotBeyondCount", 0xA2, kAllSlotInfo, {6}, concat({0}, kZeros22)},
        AnswerCase{"LogEntry", 0xA2, kLogs, {1}, Bytes{1, 0x01, 0x02, 7, 0x00, 0x1A, 0xFF, 0x05, 0x10}},
        AnswerCase{"LogEntryBeyondCount", 0xA2, kLogs, {3}, Bytes(9, 0)},
        AnswerCase{"SelectionWithData", 0xA2, kActualSlot, {1}, std::nullopt},
        AnswerCase{"A1HasNoAllSlots", 0xA1, kActualAll, {}, std::nullopt},
        AnswerCase{"A1HasNoAllSlotInfo", 0xA1, kAllSlotInfo, {1}, std::nullopt},
        AnswerCase{"A1HasNoLog", 0xA1, kLogs, {1}, std::nullopt},
        AnswerCase{"A1HasNoLock", 0xA1, kProtection, {1, 0x12, 0x34, 0x56, 0x9C}, std::nullopt},
        AnswerCase{"UnknownCode", 0xA2, 0x33, {}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimModuleFixture, SimModuleLogsNumberOverrideAndClear) {
    bench.config().module.logsNumber = 255;
    switchToModule();
    EXPECT_EQ(answerData(kActualAll), (Bytes{5, 0, 255}));
    EXPECT_EQ(answerData(kLogs, {0xFF}), (Bytes{0xFF}));
    EXPECT_EQ(answerData(kActualAll), (Bytes{5, 0, 0}));
    EXPECT_EQ(answerData(kLogs, {1}), Bytes(9, 0));
}

// The slot state bytes decide the working slots of a 0xA2 module; a locked module refuses them.
TEST_F(SimModuleFixture, SimModuleWriteSlotSettings) {
    switchToModule();
    EXPECT_EQ(answerData(kWriteSlots, {4, 0x01, 0xAA, 0xBB, 0xCC}), (Bytes{1}));
    EXPECT_EQ(bench.config().module.allSlots[3].state, (std::array<std::uint8_t, 4>{1, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(answerData(kActualSlot)[4], 4) << "slot 4 joined the working slots";
    EXPECT_EQ(answerData(kSlotInfo, {4})[1], 'K');
    EXPECT_EQ(answerData(kWriteSlots, {6, 1, 0, 0, 0}), (Bytes{0})) << "no slot 6";
    EXPECT_EQ(answerData(kWriteSlots, {0, 1, 0, 0, 0}), (Bytes{0})) << "no slot 0";

    bench.config().module.protection = 1;
    EXPECT_EQ(answerData(kWriteSlots, {1, 0, 0, 0, 0}), (Bytes{0}));
    EXPECT_EQ(bench.config().module.allSlots[0].state[0], 1) << "a locked module keeps its selection";
}

struct SetupCase {
    const char* name;
    std::uint8_t code;
    Bytes data;
    std::uint8_t result;
    Bytes selection;  // ACTUAL_SLOT_CONFIGURATION afterwards
};

class SimModuleSetup : public SimModuleFixture, public ::testing::WithParamInterface<SetupCase> {};

TEST_P(SimModuleSetup, ChangesTheSelectionOnlyWithTheRightSum) {
    const SetupCase& c = GetParam();
    switchToModule();
    EXPECT_EQ(answerData(c.code, c.data), (Bytes{c.result}));
    EXPECT_EQ(answerData(kActualSlot), c.selection);
}

const Bytes kUnchanged{3, 1, 0x00, 0x01, 3, 0x00, 0x03, 5};

INSTANTIATE_TEST_SUITE_P(
    SimModule, SimModuleSetup,
    ::testing::Values(
        SetupCase{"IndexSlot", kIndexSetup, {2, 0x01, 0x02, 5}, 1, Bytes{1, 2, 1, 2, 3, 0, 3, 6}},
        SetupCase{"IndexSlotBadSum", kIndexSetup, {2, 0x01, 0x02, 6}, 0, kUnchanged},
        SetupCase{"IndexSlotNotWorking", kIndexSetup, {4, 0, 0, 4}, 0, kUnchanged},
        SetupCase{"ResetSelection", kIndexSetup, {1, 0, 0, 1}, 1, Bytes{3, 1, 0, 0, 3, 0, 3, 5}},
        // decoder 5 is held by slots 1 (version 3) and 3 (version 4): the newer wins
        SetupCase{"DecodeTakesHighestVersion", kDecodeSetup, {5, 0, 2, 7}, 1, Bytes{4, 3, 0, 2, 3, 0, 3, 5}},
        SetupCase{"DecodeSumWraps", kDecodeSetup, {6, 0xFF, 0x02, 7}, 1, Bytes{1, 2, 0xFF, 2, 3, 0, 3, 6}},
        SetupCase{"DecodeNotWorking", kDecodeSetup, {7, 0, 0, 7}, 0, kUnchanged},
        SetupCase{"DecodeBadSum", kDecodeSetup, {5, 0, 2, 8}, 0, kUnchanged}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimModuleFixture, SimModuleLocksAndUnlocksOnlyWithItsPassword) {
    switchToModule();
    const struct {
        Bytes data;
        std::uint8_t result;
        std::uint8_t protection;
    } steps[] = {
        {{1, 0x12, 0x34, 0x57, 0x9D}, 0, 0},  // wrong password
        {{1, 0x12, 0x34, 0x56, 0x9D}, 0, 0},  // wrong sum
        {{2, 0x12, 0x34, 0x56, 0x9C}, 0, 0},  // neither lock nor unlock
        {{1, 0x12, 0x34, 0x56, 0x9C}, 1, 1}, {{0, 0x65, 0x43, 0x21, 0xC9}, 0, 1},
        {{0, 0x12, 0x34, 0x56, 0x9C}, 1, 0},
    };
    for (const auto& step : steps) {
        EXPECT_EQ(answerData(kProtection, step.data), (Bytes{step.result}));
        EXPECT_EQ(answerData(kActualAll)[1], step.protection);
    }
}

TEST_F(SimModuleFixture, SimModuleProductBehindKeepsModuleSettingsInMemory) {
    bench.config().module.present = false;
    auto& product = bench.config().product;
    product.hasModule = true;
    product.moduleInfo = {1, 31, 2};
    product.memory[0x30] = 1;
    const std::int64_t booted = powerUp();
    t = booted;
    EXPECT_FALSE(ask(0x0A, {5, 1, 3})) << "settings are taken only in test mode";
    EXPECT_EQ(answerData(0x05, {0x01}), Bytes{});
    EXPECT_EQ(answerData(0x0A, {5, 1, 3}), (Bytes{5, 1, 3}));
    EXPECT_EQ(answerData(0x01, {0x30}), (Bytes{0x30, 5}));
    EXPECT_EQ(answerData(0x01, {0x31}), (Bytes{0x31, 1}));
    EXPECT_EQ(answerData(0x01, {0x32}), (Bytes{0x32, 3}));

    product.hasModule = false;
    EXPECT_FALSE(ask(0x0A, {6, 0, 0}));
}

// Module at 19200: 1000 USB + request 6 bytes (3438) + 2500 turnaround + answer 14 bytes (8021) + 1000.
TEST_F(SimModuleFixture, SimModuleTimingFollowsTheModel) {
    bench.config().timing.moduleTurnaroundUs = 2500;
    switchToModule();
    const auto answer = exchange(request(kProduct, kActualSlot), t);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->readyUs, t + 1000 + 3438 + 2500 + 8021 + 1000);
}

}  // namespace
