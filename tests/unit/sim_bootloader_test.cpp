// The simulated adapter's loader, driven with raw reports as the device sees them.

#include <gtest/gtest.h>

#include <filesystem>

#include "sim/Bench.h"

namespace {

using Core = std::vector<std::uint8_t>;

struct LoaderBench {
    explicit LoaderBench(sim::BenchConfig c) : bench(std::move(c)) {}
    // Sends one core command and returns the reply payload (empty: none), stepping time past it.
    Core send(const Core& core) {
        sim::Report r{};
        r[0] = 0x3F;
        r[1] = static_cast<std::uint8_t>(core.size());
        std::copy(core.begin(), core.end(), r.begin() + 2);
        now = std::max(now, bench.writeReadyUs());
        bench.write(r, now);
        now += 100000;
        const auto reply = bench.read(now);
        if (!reply) return {};
        return Core(reply->begin() + 2, reply->begin() + 2 + (*reply)[1]);
    }
    Core password(std::uint8_t fill) {
        Core c{0x11};
        c.insert(c.end(), 32, fill);
        return send(c);
    }
    sim::Bench bench;
    std::int64_t now = 0;
};

sim::BenchConfig blank() {
    sim::BenchConfig c;
    c.bootloader.blank = true;
    c.bootloader.leftoverCode = true;
    return c;
}

TEST(SimBootloader, BuiltInLoaderLimitsUntilTheRamLoaderRuns) {
    LoaderBench b(blank());
    EXPECT_EQ(b.bench.currentPid(), 0x0200);
    EXPECT_EQ(b.send({0x12, 0x00, 0x44, 0x00}), (Core{0x3B, 0x07}));  // erase: not in the built-in loader
    EXPECT_EQ(b.password(0xFF), (Core{0x3B, 0x00}));                  // blank: the erased password
    EXPECT_EQ(b.send({0x17, 0x04, 0x25, 0x00}), Core{});              // nothing written at 0x2500 yet
    b.now += 3000000;
    b.bench.advance(b.now);
    EXPECT_EQ(b.bench.busGeneration(), 0);  // it did not restart
}

TEST(SimBootloader, FlashBitsAreOnlyClearedByAWrite) {
    LoaderBench b(blank());
    // Into the RAM loader through the bench's own image.
    b.password(0xFF);
    std::uint32_t a = 0x2500;
    for (std::uint32_t n : {117u, 2300u}) {
        for (std::uint32_t off = 0; off < n; off += 58) {
            Core c{0x1B, static_cast<std::uint8_t>(a + off), static_cast<std::uint8_t>((a + off) >> 8), 0};
            c.insert(c.end(), std::min<std::uint32_t>(58, n - off), 0x5A);
            b.send(c);
        }
        a = 0x2576;
    }
    b.send({0x17, 0x04, 0x25, 0x00});
    b.now += 3000000;
    b.bench.advance(b.now);
    ASSERT_TRUE(b.bench.present());
    EXPECT_EQ(b.password(0xFF), (Core{0x3B, 0x00}));
    // 0x4400 holds leftover code: writing over it fails until the segment is erased.
    EXPECT_EQ(b.send({0x10, 0x00, 0x44, 0x00, 0x12, 0x34}), (Core{0x3B, 0x01}));
    EXPECT_EQ(b.send({0x12, 0x10, 0x44, 0x00}), (Core{0x3B, 0x00}));
    EXPECT_EQ(b.send({0x10, 0x00, 0x44, 0x00, 0x12, 0x34}), (Core{0x3B, 0x00}));
    EXPECT_EQ(b.bench.flashAt(0x4400), 0x12);
    EXPECT_EQ(b.bench.erasedSegments(), std::vector<std::uint32_t>{0x4400});
    // CRC-16 over "123456789" written at 0x4500 (already erased).
    b.send({0x10, 0x00, 0x45, 0x00, '1', '2', '3', '4', '5', '6', '7', '8', '9'});
    EXPECT_EQ(b.send({0x16, 0x00, 0x45, 0x00, 9, 0}), (Core{0x3A, 0xB1, 0x29}));
}

TEST(SimBootloader, WrongPasswordMassErasesAndBenchFileKeysLoad) {
    LoaderBench b(sim::BenchConfig{});
    sim::Report req{};
    // The programmed application restarts into its loader on our request.
    const std::uint8_t frame[] = {0x01, 0xF1, 0x02, 0x05, 0x43, 'B', 'S', 'L', 0x29};
    req[0] = 0x3F;
    req[1] = sizeof frame;
    std::copy(std::begin(frame), std::end(frame), req.begin() + 2);
    b.bench.write(req, 0);
    b.now = 3000000;
    b.bench.advance(b.now);
    ASSERT_EQ(b.bench.currentPid(), 0x0200);
    EXPECT_EQ(b.password(0xFF), (Core{0x3B, 0x05}));
    EXPECT_EQ(b.bench.massErases(), 1);
    EXPECT_EQ(b.bench.flashAt(0xFFFE), 0xFF);
    EXPECT_EQ(b.password(0xFF), (Core{0x3B, 0x00}));

    std::string error;
    const auto config = sim::loadBenchFile(
        (std::filesystem::path(DRAVIK_SOURCE_DIR) / "data/benches/blank-adapter.json").string(), error);
    ASSERT_TRUE(config) << error;
    EXPECT_TRUE(config->bootloader.blank);
    const auto faults = sim::parseBenchJson(
        R"({"version": 1, "bootloader": {"corruptBlocks": 2, "unplugAfterReports": 7, "rejectPasswords": true}})",
        error);
    ASSERT_TRUE(faults) << error;
    EXPECT_EQ(faults->bootloader.corruptBlocks, 2);
    EXPECT_EQ(faults->bootloader.unplugAfterReports, 7);
    EXPECT_FALSE(sim::parseBenchJson(R"({"version": 1, "bootloader": {"blnk": true}})", error));
}

}  // namespace
