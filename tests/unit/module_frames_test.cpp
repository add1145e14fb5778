#include <gtest/gtest.h>

#include "module/ModuleFrames.h"

using namespace dravik;

namespace {

TEST(ModuleFrames, SlotAndModuleSetupBytes) {
    EXPECT_EQ(slotSetupData(7, 0x0102), (std::array<std::uint8_t, 4>{7, 1, 2, 10}));
    EXPECT_EQ(slotSetupData(0x1FF, 0xFFFF), (std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFD}));
    struct Case {
        std::uint8_t type;
        std::array<std::uint8_t, 3> bytes;
    };
    for (const Case& c : {Case{31, {5, 1, 3}}, Case{16, {5, 1, 3}}, Case{47, {5, 1, 3}},
                          Case{0x81, {5, 1, 0}}, Case{0x22, {9, 0, 0}}}) {
        EXPECT_EQ(auxModuleSetupData(c.type, 9, 5, 0x010D), c.bytes) << int(c.type);
    }
}

TEST(ModuleFrames, SendProgressRunsFromZeroToHundred) {
    EXPECT_EQ(sendProgress(0, 0, 15, 4), 0);
    EXPECT_EQ(sendProgress(15, 3, 15, 4), 100);
    EXPECT_EQ(sendProgress(0, 2, 15, 4), 50);
    EXPECT_EQ(sendProgress(3, 0, 0, 4), 0);  // no division by zero
}

TEST(ModuleFrames, ProtectionPacking) {
    EXPECT_EQ(protectionData(0, QStringLiteral("123456")),
              (std::array<std::uint8_t, 5>{1, 0x12, 0x34, 0x56, 0x9C}));
    EXPECT_EQ(protectionData(1, QStringLiteral("999999")),
              (std::array<std::uint8_t, 5>{0, 0x99, 0x99, 0x99, 0xCB}));
    for (const char* bad : {"12345", "1234a6", "12345 ", "", "1234567"})
        EXPECT_FALSE(protectionData(0, QString::fromLatin1(bad))) << bad;
    EXPECT_FALSE(protectionData(0, QStringLiteral("12345\u0663")));  // a non-Latin digit
    EXPECT_FALSE(protectionData(2, QStringLiteral("123456")));
}

TEST(ModuleFrames, LogLines) {
    EXPECT_EQ(logLine({3, 0x01, 0x02, 7, 0x00, 0x1A, 0xFF, 0x05, 0x10}),
              QStringLiteral("3 - time: 258 - type: CarArming - data: 0 - 1a - ff - 5 - 10\r\n"));
    EXPECT_EQ(logLine({1, 0, 0, 12, 0, 0, 0, 0, 0}),
              QStringLiteral("1 - time: 0 - type:  - data: 0 - 0 - 0 - 0 - 0\r\n"));
    const char* texts[] = {"",          "BootStatus", "KernelStatus", "HwStatus",     "CanInit", "CanError",
                           "CanStatus", "CarArming",  "CarAlarming",  "CarDisarming", ""};
    for (std::uint8_t t = 0; t <= 10; ++t) EXPECT_EQ(logTypeText(t), QString::fromLatin1(texts[t])) << int(t);
}

}  // namespace
