#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "sim/Bench.h"

namespace {

std::string benchPath(const char* name) {
    // Not __FILE__: a compiler cache may compile with paths relative to the build folder.
    return (std::filesystem::path(DRAVIK_SOURCE_DIR) / "data/benches" / name).string();
}

TEST(SimBenchFile, SampleBenchesLoad) {
    std::string error;
    const auto standard = sim::loadBenchFile(benchPath("standard.json"), error);
    ASSERT_TRUE(standard) << error;
    EXPECT_EQ(standard->adapter.identification, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(standard->adapter.vid, 0x2047);
    EXPECT_EQ(standard->product.identification, (std::array<std::uint8_t, 4>{0, 37, 1, 0}));
    EXPECT_EQ(standard->product.baudCode, 1);
    EXPECT_EQ(standard->product.bootTimeUs, 500000u);
    EXPECT_EQ(standard->product.memory[0x12], 3);
    EXPECT_EQ(standard->product.memory[0x28], 200);
    EXPECT_EQ(standard->product.defaults, standard->product.memory) << "defaults default to the memory";
    EXPECT_FALSE(standard->product.hasModule);

    const auto slow = sim::loadBenchFile(benchPath("slow-product.json"), error);
    ASSERT_TRUE(slow) << error;
    EXPECT_EQ(slow->product.baudCode, 2);
}

TEST(SimBenchFile, AcceptsEveryWayOfGivingValues) {
    std::string error;
    const auto config = sim::parseBenchJson(R"({"version": 1,
        "adapter": {"pid": "0x0200", "baudCode3": "38400", "acceptsBootRequest": false},
        "product": {"memory": [7, 8, 9], "defaults": {"0x02": 5, "3": 6}, "bootTimeMs": 0},
        "timing": {}})",
                                            error);
    ASSERT_TRUE(config) << error;
    EXPECT_EQ(config->adapter.pid, 0x0200);
    EXPECT_EQ(config->adapter.baudCode3, 38400u);
    EXPECT_FALSE(config->adapter.acceptsBootRequest);
    EXPECT_EQ(config->product.memory[2], 9);
    EXPECT_EQ(config->product.memory[3], 0);
    EXPECT_EQ(config->product.defaults[2], 5);
    EXPECT_EQ(config->product.defaults[3], 6);
    EXPECT_EQ(config->product.bootTimeUs, 0u);
    EXPECT_EQ(config->timing.usbFrameUs, 1000u) << "absent keys keep their defaults";
}

struct BadFileCase {
    const char* name;
    const char* json;
    const char* message;  // must appear in the error
};

class SimBenchFileErrors : public ::testing::TestWithParam<BadFileCase> {};

TEST_P(SimBenchFileErrors, NameTheKeyAndTheRule) {
    std::string error;
    EXPECT_FALSE(sim::parseBenchJson(GetParam().json, error));
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    SimBenchFile, SimBenchFileErrors,
    ::testing::Values(
        BadFileCase{"NotJson", R"({"version": 1,)", "not a valid bench file"},
        BadFileCase{"NotAnObject", R"([1])", "expected an object"},
        BadFileCase{"MissingVersion", R"({})", "missing key \"version\""},
        BadFileCase{"OtherVersion", R"({"version": 2})",
                    "\"version\": expected an integer from 1 to 1, got 2"},
        BadFileCase{"UnknownTopKey", R"({"version": 1, "extra": 0})", "unknown key \"extra\""},
        BadFileCase{"UnknownNestedKey", R"({"version": 1, "product": {"baud": 1}})",
                    "unknown key \"product.baud\""},
        BadFileCase{"SectionNotObject", R"({"version": 1, "timing": 5})", "\"timing\": expected an object"},
        BadFileCase{"WrongTypeBool", R"({"version": 1, "adapter": {"plugged": 1}})",
                    "\"adapter.plugged\": expected true or false"},
        BadFileCase{"WrongTypeNumber", R"({"version": 1, "product": {"baudCode": "fast"}})",
                    "\"product.baudCode\": expected an integer from 1 to 3"},
        BadFileCase{"OutOfRange", R"({"version": 1, "product": {"baudCode": 4}})",
                    "\"product.baudCode\": expected an integer from 1 to 3, got 4"},
        BadFileCase{"Negative", R"({"version": 1, "faults": {"dropNext": -1}})",
                    "\"faults.dropNext\": expected"},
        BadFileCase{"Fraction", R"({"version": 1, "timing": {"usbFrameUs": 1.5}})", "\"timing.usbFrameUs\""},
        BadFileCase{"ZeroBaud", R"({"version": 1, "adapter": {"baudCode3": 0}})",
                    "\"adapter.baudCode3\": expected an integer from 300"},
        BadFileCase{"ByteTooLarge", R"({"version": 1, "adapter": {"identification": [1, 2, 256, 4]}})",
                    "\"adapter.identification[2]\": expected an integer from 0 to 255"},
        BadFileCase{"ByteCount", R"({"version": 1, "product": {"moduleInfo": [1, 2]}})",
                    "\"product.moduleInfo\": expected an array of 3 bytes"},
        BadFileCase{"MemoryAddress", R"({"version": 1, "product": {"memory": {"0x100": 1}}})",
                    "\"product.memory.0x100\": address must be an integer from 0 to 255"},
        BadFileCase{"MemoryAddressTwice", R"({"version": 1, "product": {"memory": {"0x10": 1, "16": 2}}})",
                    "is given twice"},
        BadFileCase{"MemoryValue", R"({"version": 1, "product": {"defaults": {"0x10": 300}}})",
                    "\"product.defaults.0x10\": expected an integer from 0 to 255, got 300"},
        BadFileCase{"MemoryTooLong",
                    R"({"version": 1, "product": {"memory": [)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,)"
                    R"(0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1]}})",
                    "\"product.memory\": expected at most 256 bytes, got 257"}),
    [](const auto& info) { return std::string(info.param.name); });

// Size and nesting are refused before the value is built; a deep value is never dumped into the
// message (a 200 KB file of nested arrays used to exhaust the stack there).
TEST(SimBenchFile, RefusesHugeOrDeeplyNestedFiles) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string deepAtKey =
        R"({"version": 1, "product": {"baudCode": )" + std::string(8, '[') + std::string(8, ']') + "}}";
    const std::string padded = R"({"version": 1})" + std::string(1024 * 1024, ' ');
    const struct {
        const char* name;
        std::string json;
        const char* message;
    } cases[] = {
        {"nested arrays", deep, "line 1: arrays and objects nest deeper than 8 levels"},
        {"nested in a string is text", R"({"version": 1, "x": ")" + std::string(100, '[') + "\"}",
         "unknown key \"x\""},
        {"too deep at a key", deepAtKey, "nest deeper than 8 levels"},
        {"array at a number", R"({"version": 1, "product": {"baudCode": [[1], 2]}})",
         "\"product.baudCode\": expected an integer from 1 to 3, got an array of 2 items"},
        {"object at a number", R"({"version": 1, "product": {"baudCode": {"a": 1}}})",
         "got an object of 1 keys"},
        {"over 1 MiB", padded, "a bench file holds at most 1048576 bytes"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(sim::parseBenchJson(c.json, error)) << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        EXPECT_LT(error.size(), 200u) << c.name;
    }
    std::string error;
    EXPECT_TRUE(
        sim::parseBenchJson(R"({"version": 1, "product": {"memory": {"0x10": 1}}, "faults": {}})", error))
        << error;
}

TEST(SimBenchFile, MissingFileNamesThePath) {
    std::string error;
    EXPECT_FALSE(sim::loadBenchFile("/nonexistent/bench.json", error));
    EXPECT_EQ(error, "/nonexistent/bench.json: cannot open bench file");
}

}  // namespace
