#pragma once
// Host-side rig for the simulated bench tests: requests are built here byte by byte, so a framing
// fault in the bench cannot hide on both sides of the wire.

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "sim/Bench.h"

namespace simtest {

using sim::Bench;
using sim::BenchConfig;
using sim::Report;

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kAdapter = 0xF1;
inline constexpr std::uint8_t kProduct = 0xF2;
inline constexpr std::uint16_t kSupplyOn = 0x837C;
inline constexpr std::uint16_t kAllOff = 0x00FF;

inline Report request(std::uint8_t dest, std::uint8_t code, const Bytes& data = {}) {
    Report r{};
    r[0] = 0x3F;
    r[1] = 62;
    const auto length = static_cast<std::uint8_t>(data.size() + 2);
    std::uint8_t sum = static_cast<std::uint8_t>(length + code);
    Bytes frame{0x01, dest, 0x02, length, code};
    for (const auto b : data) {
        frame.push_back(b);
        sum = static_cast<std::uint8_t>(sum + b);
    }
    frame.push_back(sum);
    std::copy(frame.begin(), frame.end(), r.begin() + 2);
    return r;
}

inline Report mbusSetup(std::uint16_t word, std::uint8_t baudCode) {
    return request(kAdapter, 0x40,
                   {0x01, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFF),
                    baudCode, 0, 0, 0, 0});
}

struct Answer {
    std::int64_t readyUs = 0;
    std::uint8_t dest = 0;
    std::uint8_t code = 0;
    Bytes data;
    bool checksumOk = false;
};

class SimBenchFixture : public ::testing::Test {
protected:
    Bench bench{BenchConfig{}};

    // Sends one request at nowUs and collects its answer (if any) at the time it is ready.
    std::optional<Answer> exchange(const Report& r, std::int64_t nowUs, bool expectChecksumOk = true) {
        bench.write(r, nowUs);
        const auto ready = bench.nextReadyUs();
        if (!ready) {
            return std::nullopt;
        }
        EXPECT_FALSE(bench.read(*ready - 1).has_value());
        const auto report = bench.read(*ready);
        EXPECT_TRUE(report.has_value());
        Answer answer = decode(*report, *ready);
        EXPECT_EQ(answer.checksumOk, expectChecksumOk);
        return answer;
    }

    static Answer decode(const Report& report, std::int64_t readyUs) {
        const std::uint8_t n = report[1];
        const std::uint8_t length = report[5];
        EXPECT_EQ(report[0], 0x3F);
        EXPECT_EQ(n, length + 4);
        EXPECT_EQ(report[2], 0x01);
        EXPECT_EQ(report[4], 0x02);
        Answer a{readyUs, report[3], report[6], Bytes(report.begin() + 7, report.begin() + 5 + length)};
        std::uint8_t sum = static_cast<std::uint8_t>(length + a.code);
        for (const auto b : a.data) sum = static_cast<std::uint8_t>(sum + b);
        a.checksumOk = report[static_cast<std::size_t>(5 + length)] == sum;
        return a;
    }

    // Supply on at the product's speed; returns when the product has booted.
    std::int64_t powerUp(std::uint8_t baudCode = 1) {
        EXPECT_TRUE(exchange(mbusSetup(kSupplyOn, baudCode), 0).has_value());
        return 1000 + bench.config().product.bootTimeUs;
    }
};

}  // namespace simtest
