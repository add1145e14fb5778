#include <gtest/gtest.h>

#include <numeric>

#include "sim/Crc16.h"
#include "unit/sim_module_rig.h"

namespace {

using namespace simtest;

TEST(SimModuleCrc, CheckValues) {
    const std::string digits = "123456789";
    const std::string abc = "abc";
    EXPECT_EQ(sim::flashCrc(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()), 0x29B1);
    EXPECT_EQ(sim::flashCrc(reinterpret_cast<const std::uint8_t*>(abc.data()), abc.size()), 0x514A);
    EXPECT_EQ(sim::flashCrc(nullptr, 0), 0xFFFF);
}

// Four slots of 64 bytes; each slot's header names a decoder 20 + k, version 9, group 3.
class SimModuleFlash : public SimModuleFixture {
  protected:
    Bytes image;

    void SetUp() override {
        SimModuleFixture::SetUp();
        auto& m = bench.config().module;
        m.bytesPerSlot = 64;
        image.resize(4 * 64);
        std::iota(image.begin(), image.end(), std::uint8_t{0});
        for (std::size_t k = 0; k < 4; ++k) {
            const Bytes header = nameBytes(("NEW " + std::to_string(k)).c_str());
            std::copy(header.begin(), header.end(), image.begin() + static_cast<std::ptrdiff_t>(k * 64));
            image[k * 64 + 14] = 'N';
            image[k * 64 + 15] = 9;
            image[k * 64 + 16] = static_cast<std::uint8_t>(20 + k);
            image[k * 64 + 17] = 3;
        }
        switchToModule();
    }

    Bytes line(std::uint8_t slot, std::uint8_t lineNumber) const {
        Bytes data(18);
        data[0] = slot;
        data[1] = lineNumber;
        std::copy_n(image.begin() + slot * 64 + lineNumber * 16, 16, data.begin() + 2);
        return data;
    }

    // Sends every line; returns the answers.
    std::vector<std::optional<Answer>> sendImage() {
        std::vector<std::optional<Answer>> answers;
        for (std::uint8_t s = 0; s < 4; ++s) {
            for (std::uint8_t l = 0; l < 4; ++l) answers.push_back(ask(kSendLine, line(s, l)));
        }
        return answers;
    }

    Bytes crcBytes(std::uint16_t crc) const {
        return Bytes{static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)};
    }
    std::uint16_t imageCrc() const { return sim::flashCrc(image.data(), image.size()); }
};

TEST_F(SimModuleFlash, SimModuleProgramsVerifiesAndInstallsInItsLastSlots) {
    EXPECT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    for (std::uint8_t s = 0; s < 4; ++s) {
        for (std::uint8_t l = 0; l < 4; ++l) {
            EXPECT_EQ(answerData(kSendLine, line(s, l)), (Bytes{s, l, 1}));
        }
    }
    EXPECT_EQ(bench.moduleImage(), image);
    EXPECT_EQ(answerData(kVerify, crcBytes(imageCrc())), (Bytes{1}));

    // Slots 2..5 of five hold the image now and joined the selection.
    const auto& moduleSlots = bench.config().module.allSlots;
    EXPECT_EQ(moduleSlots[0].decoderType, 5) << "the first slot is kept";
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(moduleSlots[1 + k].decoderType, 20 + k);
        EXPECT_EQ(moduleSlots[1 + k].version, 9);
        EXPECT_EQ(moduleSlots[1 + k].group, 3);
        EXPECT_EQ(moduleSlots[1 + k].state[0] & 1, 1);
    }
    EXPECT_EQ(answerData(kActualSlot)[4], 5);
    EXPECT_EQ(answerData(kSlotInfo, {5}), concat(Bytes{5}, concat(nameBytes("NEW 3"), {'N', 9, 23, 3})));
    EXPECT_EQ(answerData(kSendLine, line(0, 0)), (Bytes{0, 0, 0})) << "a verify locks the flash again";
}

TEST_F(SimModuleFlash, SimModuleRefusesWrongKeysWrongCrcAndStrayLines) {
    EXPECT_EQ(answerData(kUnlock, {0xA5, 0x5B}), (Bytes{0}));
    EXPECT_EQ(answerData(kSendLine, line(0, 0)), (Bytes{0, 0, 0}));
    EXPECT_EQ(answerData(kVerify, crcBytes(0xFFFF)), (Bytes{0}));

    ASSERT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    Bytes outside = line(0, 0);
    outside[0] = 4;
    EXPECT_EQ(answerData(kSendLine, outside), (Bytes{4, 0, 2})) << "slot beyond the image";
    outside = line(0, 0);
    outside[1] = 4;
    EXPECT_EQ(answerData(kSendLine, outside), (Bytes{0, 4, 2})) << "line beyond the slot";
    sendImage();
    EXPECT_EQ(answerData(kVerify, crcBytes(static_cast<std::uint16_t>(imageCrc() ^ 1))), (Bytes{0}));
    EXPECT_EQ(bench.config().module.allSlots[4].decoderType, 8) << "a failed verify installs nothing";
}

// A module with a header key reads scrambled headers in the clear; the rest of the image is not its
// business.
TEST_F(SimModuleFlash, SimModuleHeaderKeyUnscramblesInstalledHeaders) {
    bench.config().module.headerKey = 0xA7;
    for (std::size_t k = 0; k < 4; ++k) {
        for (std::size_t i = 0; i < 18; ++i) image[k * 64 + i] ^= 0xA7;
    }
    ASSERT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    sendImage();
    EXPECT_EQ(bench.moduleImage(), image) << "received as sent";
    ASSERT_EQ(answerData(kVerify, crcBytes(imageCrc())), (Bytes{1}));
    EXPECT_EQ(answerData(kSlotInfo, {5}), concat(Bytes{5}, concat(nameBytes("NEW 3"), {'N', 9, 23, 3})));
    EXPECT_EQ(answerData(kDecodeSetup, {22, 0, 0, 22}), (Bytes{1}));
}

TEST_F(SimModuleFlash, SimModuleLineLeftOutFailsTheVerify) {
    ASSERT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    for (std::uint8_t s = 0; s < 4; ++s) {
        for (std::uint8_t l = 0; l < 4; ++l) {
            if (s != 2 || l != 1) ask(kSendLine, line(s, l));
        }
    }
    EXPECT_EQ(answerData(kVerify, crcBytes(imageCrc())), (Bytes{0}));
}

struct LineFaultCase {
    const char* name;
    sim::Faults faults;
    std::size_t affected;         // index of the line answer the fault hits
    std::optional<Bytes> answer;  // what that line gets
    bool checksumOk;              // false: the answer's code byte is not the request's
};

class SimModuleLineFaults : public SimModuleFlash, public ::testing::WithParamInterface<LineFaultCase> {};

TEST_P(SimModuleLineFaults, HitOnlyTheirLine) {
    const LineFaultCase& c = GetParam();
    bench.config().faults = c.faults;
    ASSERT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    for (std::uint8_t s = 0; s < 4; ++s) {
        for (std::uint8_t l = 0; l < 4; ++l) {
            const std::size_t index = s * 4u + l;
            const bool hit = index == c.affected;
            const auto answer = ask(kSendLine, line(s, l), !hit || c.checksumOk);
            if (!hit) {
                ASSERT_TRUE(answer) << index;
                EXPECT_EQ(answer->data, (Bytes{s, l, 1})) << index;
            } else {
                ASSERT_EQ(answer.has_value(), c.answer.has_value());
                if (answer) EXPECT_EQ(answer->data, *c.answer);
            }
        }
    }
}

sim::Faults lineFaults(void (*set)(sim::Faults&)) {
    sim::Faults f;
    set(f);
    return f;
}

INSTANTIATE_TEST_SUITE_P(SimModule, SimModuleLineFaults,
                         ::testing::Values(LineFaultCase{"WrongSlotEcho", lineFaults([](sim::Faults& f) {
                                                             f.wrongSlotEchoAtLine = 6;
                                                         }),
                                                         5, Bytes{2, 1, 1}, true},
                                           LineFaultCase{"WrongLineEcho", lineFaults([](sim::Faults& f) {
                                                             f.wrongLineEchoAtLine = 16;
                                                         }),
                                                         15, Bytes{3, 4, 1}, true},
                                           LineFaultCase{"DropThird", lineFaults([](sim::Faults& f) {
                                                             f.dropCommand = {{kSendLine, 2, 1}};
                                                         }),
                                                         2, std::nullopt, true},
                                           LineFaultCase{"CorruptFirst", lineFaults([](sim::Faults& f) {
                                                             f.corruptCommand = {{kSendLine, 0, 1}};
                                                         }),
                                                         0, Bytes{0, 0, 1}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A corrupted answer comes back with the code + 0x80, which the exchange helper does not match.
TEST_F(SimModuleFlash, SimModuleCorruptAnswerCarriesAnotherCode) {
    bench.config().faults.corruptCommand = {{kActualSlot, 0, 1}};
    bench.write(request(kProduct, kActualSlot), t);
    const auto report = bench.read(*bench.nextReadyUs());
    ASSERT_TRUE(report);
    EXPECT_EQ((*report)[6], kActualSlot + 0x80);
    t += 100000;
    EXPECT_TRUE(ask(kActualSlot)) << "only the first answer is hit";
}

TEST_F(SimModuleFlash, SimModuleLosesPowerMidImageUntilItsSupplyIsCycled) {
    bench.config().faults.powerLossAtLine = 7;
    ASSERT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    const auto answers = sendImage();
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(answers[i].has_value(), i < 6) << i;
    }
    EXPECT_FALSE(ask(kActualSlot));
    EXPECT_FALSE(bench.moduleListening(t));

    switchToModule();
    EXPECT_TRUE(ask(kActualSlot)) << "a new supply brings it back";
    EXPECT_EQ(answerData(kSendLine, line(0, 0)), (Bytes{0, 0, 0})) << "the flash is locked after the loss";
    ASSERT_EQ(answerData(kUnlock, {0xA5, 0x5A}), (Bytes{1}));
    sendImage();
    EXPECT_EQ(answerData(kVerify, crcBytes(imageCrc())), (Bytes{1})) << "a re-run from the unlock succeeds";
}

}  // namespace
