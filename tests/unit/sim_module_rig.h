#pragma once
// A bench with a slot module wired to the cable, and the exchanges that reach it.

#include "unit/sim_bench_rig.h"

namespace simtest {

inline constexpr std::uint16_t kModuleLines = 0x857A;  // supply, output 1 high, pull-up 2

// Module command codes.
inline constexpr std::uint8_t kIndexSetup = 0x08;  // also the selection reset
inline constexpr std::uint8_t kActualSlot = 0x09;
inline constexpr std::uint8_t kActualAll = 0x0A;
inline constexpr std::uint8_t kSlotInfo = 0x0B;
inline constexpr std::uint8_t kAllSlotInfo = 0x0C;
inline constexpr std::uint8_t kWriteSlots = 0x0D;
inline constexpr std::uint8_t kProtection = 0x0E;
inline constexpr std::uint8_t kDecodeSetup = 0x0F;
inline constexpr std::uint8_t kLogs = 0x79;
inline constexpr std::uint8_t kSendLine = 0x7C;
inline constexpr std::uint8_t kUnlock = 0x7E;
inline constexpr std::uint8_t kVerify = 0x7F;

inline sim::SlotConfig slot(const char* name, char revision, std::uint8_t version, std::uint8_t decoder,
                            std::uint8_t group, std::uint8_t state0 = 0) {
    sim::SlotConfig s;
    for (std::size_t i = 0; name[i] != '\0' && i < s.name.size(); ++i)
        s.name[i] = static_cast<std::uint8_t>(name[i]);
    s.revision = static_cast<std::uint8_t>(revision);
    s.version = version;
    s.decoderType = decoder;
    s.group = group;
    s.groupCode = group;
    s.state = {state0, 0, 0, 0};
    return s;
}

inline Bytes nameBytes(const char* name) {
    Bytes bytes(14, ' ');
    for (std::size_t i = 0; name[i] != '\0' && i < 14; ++i) bytes[i] = static_cast<std::uint8_t>(name[i]);
    return bytes;
}

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SimModuleFixture : public SimBenchFixture {
  protected:
    std::int64_t t = 0;

    // A type 0xA2 module of five slots, the first three in the selection; password 123456.
    void SetUp() override {
        sim::ModuleConfig& m = bench.config().module;
        m.present = true;
        m.softwareType = 0xA2;
        m.allSlots = {slot("CAN ALPHA", 'A', 3, 5, 1, 1), slot("CAN BETA", 'B', 1, 6, 2, 1),
                      slot("CAN ALPHA", 'C', 4, 5, 1, 1), slot("K-LINE", 'A', 2, 7, 0, 0),
                      slot("SPARE", 'A', 1, 8, 0, 0)};
        m.selection = {1, 0x00, 0x01, 0x00, 0x03};
        m.password = {0x12, 0x34, 0x56};
        m.logs = {{0x0102, 7, {0x00, 0x1A, 0xFF, 0x05, 0x10}}, {300, 1, {1, 2, 3, 4, 5}}};
    }

    // Supply off at the module's speed, then the module's lines; returns when it has booted.
    void switchToModule() {
        ASSERT_TRUE(exchange(mbusSetup(kAllOff, 3), t));
        ASSERT_TRUE(exchange(mbusSetup(kModuleLines, 0), t += 100000));
        t += 100000 + bench.config().module.bootTimeUs;
    }

    std::optional<Answer> ask(std::uint8_t code, const Bytes& data = {}, bool checksumOk = true) {
        const auto answer = exchange(request(kProduct, code, data), t, checksumOk);
        t += 100000;
        return answer;
    }

    Bytes answerData(std::uint8_t code, const Bytes& data = {}) {
        const auto answer = ask(code, data);
        EXPECT_TRUE(answer.has_value()) << "code " << int(code);
        return answer ? answer->data : Bytes{};
    }
};

}  // namespace simtest
