#include <gtest/gtest.h>

#include <fstream>

#include "sim/Bench.h"
#include "sim/Crc16.h"
#include "unit/sim_module_rig.h"

namespace {

using namespace simtest;

std::string dataPath(const std::string& relative) {
    return std::string(DRAVIK_SOURCE_DIR "/data/") + relative;
}

sim::BenchConfig loadSample(const std::string& name) {
    std::string error;
    const auto config = sim::loadBenchFile(dataPath("benches/" + name), error);
    EXPECT_TRUE(config) << error;
    return config.value_or(sim::BenchConfig{});
}

TEST(SimModuleFile, ModuleSectionAndWhatItImplies) {
    std::string error;
    const auto config = sim::parseBenchJson(R"({"version": 1,
        "module": {"softwareType": "0xA2", "softwareVersion": 4, "hardwareVersion": 2, "bootTimeMs": 5,
                   "slots": [{"name": "CAN", "revision": "B", "version": 3, "decoderType": 7, "group": 5,
                              "groupCode": 105, "state": [1, 2, 3, 4]},
                             {"revision": 65}],
                   "selection": {"slot": 2, "parameterC": 3},
                   "protection": 1, "password": "012389",
                   "logs": [{"time": 258, "type": 7, "data": [0, 26, 255, 5, 16]}], "logsNumber": 255,
                   "unlockKeys": [1, 2], "slotsPerBlock": 2, "bytesPerSlot": 32},
        "timing": {"moduleTurnaroundUs": 7},
        "faults": {"dropCommand": [{"code": "0x7C", "after": 3}], "corruptCommand": [{"code": 9, "count": 2}],
                   "wrongSlotEchoAtLine": 1, "wrongLineEchoAtLine": 2, "powerLossAtLine": 3}})",
                                            error);
    ASSERT_TRUE(config) << error;
    const sim::ModuleConfig& m = config->module;
    EXPECT_TRUE(m.present);
    EXPECT_EQ(m.bootTimeUs, 5000u);
    ASSERT_EQ(m.allSlots.size(), 2u);
    EXPECT_EQ(Bytes(m.allSlots[0].name.begin(), m.allSlots[0].name.end()), nameBytes("CAN"));
    EXPECT_EQ(m.allSlots[0].revision, 'B');
    EXPECT_EQ(m.allSlots[0].groupCode, 105);
    EXPECT_EQ(m.allSlots[0].state, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    EXPECT_EQ(m.allSlots[1].revision, 65);
    EXPECT_EQ(m.allSlots[1].name[0], ' ');
    EXPECT_EQ(m.selection.slot, 2);
    EXPECT_EQ(m.selection.parameterC, 3);
    EXPECT_EQ(m.password, (std::array<std::uint8_t, 3>{0x01, 0x23, 0x89}));
    EXPECT_EQ(m.logs.at(0).time, 258);
    EXPECT_EQ(m.logsNumber, 255);
    EXPECT_EQ(m.bytesPerSlot, 32);
    EXPECT_EQ(config->timing.moduleTurnaroundUs, 7u);
    ASSERT_EQ(config->faults.dropCommand.size(), 1u);
    EXPECT_EQ(config->faults.dropCommand[0].code, 0x7C);
    EXPECT_EQ(config->faults.dropCommand[0].after, 3);
    EXPECT_EQ(config->faults.dropCommand[0].count, 1) << "one answer unless told";
    EXPECT_EQ(config->faults.corruptCommand.at(0).count, 2);
    EXPECT_EQ(config->faults.powerLossAtLine, 3);

    // The module pulls input 2 low and is what the product reports.
    EXPECT_FALSE(config->adapter.input2High);
    EXPECT_TRUE(config->product.hasModule);
    EXPECT_EQ(config->product.moduleInfo, (std::array<std::uint8_t, 3>{2, 0xA2, 4}));

    const auto explicitCable = sim::parseBenchJson(
        R"({"version": 1, "adapter": {"input2High": true}, "product": {"moduleInfo": [9, 9, 9]}, "module": {}})",
        error);
    ASSERT_TRUE(explicitCable) << error;
    EXPECT_TRUE(explicitCable->adapter.input2High)
        << "a file may model a cable that does not sense the module";
    EXPECT_EQ(explicitCable->product.moduleInfo, (std::array<std::uint8_t, 3>{9, 9, 9}));
}

struct BadModuleCase {
    const char* name;
    const char* module;  // the module section
    const char* message;
};

class SimModuleFileErrors : public ::testing::TestWithParam<BadModuleCase> {};

TEST_P(SimModuleFileErrors, NameTheKeyAndTheRule) {
    std::string error;
    const std::string json = std::string(R"({"version": 1, "module": )") + GetParam().module + "}";
    EXPECT_FALSE(sim::parseBenchJson(json, error));
    EXPECT_NE(error.find(GetParam().message), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    SimModuleFile, SimModuleFileErrors,
    ::testing::Values(
        BadModuleCase{"UnknownKey", R"({"slot": []})", "unknown key \"module.slot\""},
        BadModuleCase{"NameTooLong", R"({"slots": [{"name": "FIFTEEN LETTERS"}]})",
                      "\"module.slots[0].name\": expected a text of at most 14 characters"},
        BadModuleCase{"NameNotAscii", R"({"slots": [{"name": "CAN\u00e9"}]})", "only printable ASCII"},
        BadModuleCase{"SlotKey", R"({"slots": [{"decoder": 1}]})", "unknown key \"module.slots[0].decoder\""},
        BadModuleCase{"SlotsNotArray", R"({"slots": 3})",
                      "\"module.slots\": expected an array of at most 250"},
        BadModuleCase{"RevisionTwoLetters", R"({"slots": [{"revision": "AB"}]})",
                      "\"module.slots[0].revision\""},
        BadModuleCase{"PasswordFiveDigits", R"({"password": "12345"})",
                      "\"module.password\": expected a text of six digits"},
        BadModuleCase{"PasswordLetter", R"({"password": "12345a"})", "six digits"},
        BadModuleCase{"PasswordNumber", R"({"password": 123456})", "six digits"},
        BadModuleCase{"BytesPerSlotSmall", R"({"bytesPerSlot": 16})",
                      "\"module.bytesPerSlot\": expected an integer from 32"},
        BadModuleCase{"BytesPerSlotOdd", R"({"bytesPerSlot": 40})", "expected a multiple of 16, got 40"},
        BadModuleCase{"SlotsPerBlockZero", R"({"slotsPerBlock": 0})", "\"module.slotsPerBlock\""},
        BadModuleCase{"BaudCode", R"({"baudCode": 4})",
                      "\"module.baudCode\": expected an integer from 1 to 3"},
        BadModuleCase{"LogData", R"({"logs": [{"data": [1, 2]}]})",
                      "\"module.logs[0].data\": expected an array of 5"},
        BadModuleCase{"SelectionKey", R"({"selection": {"decode": 1}})",
                      "unknown key \"module.selection.decode\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimModuleFile, CommandFaultNeedsItsCode) {
    std::string error;
    EXPECT_FALSE(sim::parseBenchJson(R"({"version": 1, "faults": {"dropCommand": [{"count": 1}]}})", error));
    EXPECT_NE(error.find("\"faults.dropCommand[0].code\": missing"), std::string::npos) << error;
    EXPECT_FALSE(sim::parseBenchJson(R"({"version": 1, "faults": {"corruptCommand": 9}})", error));
    EXPECT_NE(error.find("\"faults.corruptCommand\": expected an array"), std::string::npos) << error;
}

struct SampleBench {
    const char* file;
    bool direct;
    std::uint8_t productId;
    std::uint8_t moduleType;
    std::uint8_t protection;
};

// The sample benches describe what the sample database and protocol files expect of them.
TEST(SimModuleFile, SampleBenches) {
    const SampleBench samples[] = {{"vrak1-direct.json", true, 51, 0xA1, 0},
                                   {"vrak2-direct.json", true, 52, 0xA2, 0},
                                   {"vrak2-locked.json", true, 52, 0xA2, 1},
                                   {"aux31-through-product.json", false, 63, 31, 0}};
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const sim::BenchConfig c = loadSample(s.file);
        EXPECT_EQ(c.module.present, s.direct);
        EXPECT_EQ(c.adapter.input2High, !s.direct);
        EXPECT_EQ(c.product.identification[1], s.productId);
        EXPECT_TRUE(c.product.hasModule);
        EXPECT_EQ(c.product.moduleInfo[1], s.moduleType);
        EXPECT_EQ(c.module.protection, s.protection);
        if (s.direct) {
            EXPECT_EQ(c.module.softwareType, s.moduleType);
            EXPECT_EQ(c.module.baudCode, 3);
            EXPECT_GE(c.module.allSlots.size(), 4u + c.module.slotsPerBlock);
        }
    }
}

// A protocol file, read the simple way: the header of each section and the image of its data lines.
struct ProtocolFile {
    std::vector<std::array<std::uint8_t, 3>> headers;  // module type, version, scramble flag
    Bytes image;
};

ProtocolFile readProtocolFile(const std::string& path) {
    ProtocolFile file;
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    std::string line;
    bool ended = false;
    while (std::getline(in, line)) {
        EXPECT_FALSE(ended) << "a line after q";
        EXPECT_TRUE(!line.empty() && line.back() == '\r') << "lines end in CR LF";
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto byteAt = [&](std::size_t at) {
            return static_cast<std::uint8_t>(std::stoul(line.substr(at, 2), nullptr, 16));
        };
        if (line.rfind("@SLOT", 0) == 0) {
            EXPECT_EQ(line.size(), 11u);
            file.headers.push_back({byteAt(5), byteAt(7), byteAt(9)});
        } else if (line == "q") {
            ended = true;
        } else {
            EXPECT_EQ(line.size(), 32u) << line;
            for (std::size_t i = 0; i + 1 < line.size(); i += 2) file.image.push_back(byteAt(i));
        }
    }
    EXPECT_TRUE(ended);
    return file;
}

// Each sample file holds four 256-byte sections for the module of a sample bench. Programmed into
// that module, its protocols appear in the last four slots, headers in the clear (the VRAK-2 module
// unscrambles what its scrambled files carry), and the first one can be selected as the program
// selects it: by slot on type 0xA1, by decoder type on 0xA2.
TEST(SimModuleFile, SampleProtocolFilesProgramTheSampleModules) {
    const struct {
        const char* file;
        const char* bench;
        std::uint8_t scramble;
        const char* firstName;
        std::uint8_t firstDecoder;
    } samples[] = {{"VRAK1-CAN-DEMO.txt", "vrak1-direct.json", 0x00, "CAN DEMO 500", 31},
                   {"VRAK2-GROUPS-DEMO.txt", "vrak2-direct.json", 0xFF, "FLEET CAN", 41}};
    for (const auto& s : samples) {
        SCOPED_TRACE(s.file);
        const ProtocolFile file = readProtocolFile(dataPath(std::string("protocols/") + s.file));
        sim::Bench bench(loadSample(s.bench));
        const sim::ModuleConfig& m = bench.config().module;
        ASSERT_EQ(file.headers.size(), m.slotsPerBlock);
        ASSERT_EQ(file.image.size(), std::size_t{m.slotsPerBlock} * m.bytesPerSlot);
        for (const auto& header : file.headers) {
            EXPECT_EQ(header, (std::array<std::uint8_t, 3>{m.softwareType, m.softwareVersion, s.scramble}));
        }
        Bytes name(file.image.begin(), file.image.begin() + 14);
        if (s.scramble == 0xFF) {
            for (auto& b : name) b ^= 0xA7;
        }
        EXPECT_EQ(name, nameBytes(s.firstName));

        std::int64_t t = 0;
        const auto send = [&](const sim::Report& r) {
            bench.write(r, t);
            t += 100000;
            const auto answer = bench.read(t);
            EXPECT_TRUE(answer);
            return answer ? (*answer)[7] : std::uint8_t{0xEE};
        };
        send(mbusSetup(kAllOff, m.baudCode));
        send(mbusSetup(kModuleLines, 0));
        t += 500000;
        EXPECT_EQ(send(request(kProduct, kUnlock, {m.unlockKeys[0], m.unlockKeys[1]})), 1);
        for (std::size_t at = 0; at < file.image.size(); at += 16) {
            Bytes data(18);
            data[0] = static_cast<std::uint8_t>(at / m.bytesPerSlot);
            data[1] = static_cast<std::uint8_t>(at % m.bytesPerSlot / 16);
            std::copy_n(file.image.begin() + static_cast<std::ptrdiff_t>(at), 16, data.begin() + 2);
            send(request(kProduct, kSendLine, data));
        }
        const std::uint16_t crc = sim::flashCrc(file.image.data(), file.image.size());
        EXPECT_EQ(send(request(kProduct, kVerify,
                               {static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)})),
                  1);
        const std::size_t firstSlot = m.allSlots.size() - 3;  // 1-based
        const sim::SlotConfig& first = m.allSlots[firstSlot - 1];
        EXPECT_EQ(Bytes(first.name.begin(), first.name.end()), nameBytes(s.firstName));
        EXPECT_EQ(first.decoderType, s.firstDecoder);

        const auto selectData = [](std::uint8_t which) {
            return Bytes{which, 0, 1, static_cast<std::uint8_t>(which + 1)};
        };
        if (m.softwareType == 0xA1) {
            EXPECT_EQ(send(request(kProduct, kIndexSetup, selectData(static_cast<std::uint8_t>(firstSlot)))),
                      1);
        } else {
            EXPECT_EQ(send(request(kProduct, kDecodeSetup, selectData(s.firstDecoder))), 1);
        }
        EXPECT_EQ(m.selection.slot, firstSlot);
    }
}

}  // namespace
