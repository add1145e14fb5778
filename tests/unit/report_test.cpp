#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

#include "link/Report.h"

using namespace dravik;

namespace {

struct FrameCase {
    int cmd;
    std::uint16_t output;
    std::uint8_t baud;
    const char* dump;
};

class FrameTable : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTable, BuildsHeaderChecksumAndCount) {
    const FrameCase& c = GetParam();
    dataBuffer tx;
    tx.bytes.fill(0xEE);  // the record is never cleared: only the frame bytes may change meaning
    if (c.cmd == MEMORY_READ) tx[9] = 0x21;
    ASSERT_TRUE(buildRequest(tx, c.cmd, c.output, c.baud));
    EXPECT_EQ(byteDump(tx, kStart, requestFrameSize(tx)).toStdString(), c.dump);
    EXPECT_EQ(tx.count(), 62u);
}

INSTANTIATE_TEST_SUITE_P(
    Report, FrameTable,
    ::testing::Values(FrameCase{IDENTIFICATION, 0, 0, "1.f2.2.2.0.2."},
                      FrameCase{INTERFACE_IDENTIFICATION, 0, 0, "1.f1.2.2.0.2."},
                      FrameCase{MBUS_SETUP, 0x837C, 1, "1.f1.2.a.40.1.83.7c.1.0.0.0.0.4b."},
                      FrameCase{MEMORY_READ, 0, 0, "1.f2.2.3.1.21.25."},
                      FrameCase{RESET_VRAK, 0, 0, "1.f2.2.6.8.1.0.0.1.10."},
                      FrameCase{TEST_MODE, 0, 0, "1.f2.2.3.5.ee.f6."}),  // data byte 9 is the requester's
    [](const ::testing::TestParamInfo<FrameCase>& info) {
        std::string name = commandLogName(info.param.cmd).toStdString();
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

// The password digits, their sum and the checksum that would give the sum away never show in a
// dump; the frame itself keeps them for the wire.
TEST(Report, ProtectionDumpMasksThePassword) {
    dataBuffer tx;
    const std::uint8_t data[] = {1, 0x12, 0x34, 0x56, 0x9C};
    std::copy(std::begin(data), std::end(data), tx.bytes.begin() + kData);
    ASSERT_TRUE(buildRequest(tx, MODULE_PROTECTION, 0, 0));
    const std::string dump = byteDump(tx, kStart, requestFrameSize(tx)).toStdString();
    EXPECT_EQ(dump, "1.f2.2.7.e.1.**.**.**.**.**.");
    EXPECT_EQ(tx[kData + 1], 0x12);
    // A dump that runs past the frame shows no stale digit either.
    EXPECT_EQ(byteDump(tx, kStart, 20).toStdString().find("12."), std::string::npos);
    // Other frames are dumped whole.
    ASSERT_TRUE(buildRequest(tx, MEMORY_READ, 0, 0));
    EXPECT_EQ(byteDump(tx, kStart, requestFrameSize(tx)).toStdString().find('*'), std::string::npos);
}

// The password digits, their sum and the checksum never show; a shorter frame built next over the
// same record shows none of the stale password bytes beyond its own length.
TEST(Report, ProtectionDumpMasksThePasswordAndLeavesNoStaleBytes) {
    dataBuffer tx;
    tx[kData] = 1;
    tx[10] = 0x12;
    tx[11] = 0x34;
    tx[12] = 0x56;
    tx[13] = 0x12 + 0x34 + 0x56;
    ASSERT_TRUE(buildRequest(tx, MODULE_PROTECTION, 0, 0));
    const QString dump = byteDump(tx, kStart, requestFrameSize(tx));
    EXPECT_TRUE(dump.endsWith(QStringLiteral("1.**.**.**.**.**."))) << dump.toStdString();
    EXPECT_FALSE(dump.contains(QStringLiteral("12.34.56"))) << dump.toStdString();
    EXPECT_EQ(tx[10], 0x12);  // the wire keeps the digits

    ASSERT_TRUE(buildRequest(tx, IDENTIFICATION, 0, 0));
    EXPECT_EQ(byteDump(tx, kStart, requestFrameSize(tx)).toStdString(), "1.f2.2.2.0.2.");
}

TEST(Report, MbusSetupChecksumSitsAtOffset17AndWraps) {
    dataBuffer tx;
    ASSERT_TRUE(buildRequest(tx, MBUS_SETUP, 0x837C, 1));
    EXPECT_EQ(tx[17], 0x4B);  // 0x0A+0x40+0x01+0x83+0x7C+0x01 = 0x14B
    ASSERT_TRUE(buildRequest(tx, MBUS_SETUP, 0xFFFF, 0xFF));
    EXPECT_EQ(tx[17], static_cast<std::uint8_t>(0x0A + 0x40 + 0x01 + 0xFF + 0xFF + 0xFF));
}

TEST(Report, CommandsWithoutFrame) {
    for (int cmd : {0, 5, 25, 31, 200}) EXPECT_EQ(commandInfo(cmd), nullptr) << cmd;
    dataBuffer tx;
    EXPECT_FALSE(buildRequest(tx, 5, 0, 0));
    EXPECT_EQ(tx[kDest], 0);
}

TEST(Report, LogsAndReadWriteShareCodes) {
    EXPECT_EQ(commandInfo(READ_MODULE_LOGS)->code, commandInfo(CLEAR_MODULE_LOGS)->code);
    EXPECT_EQ(commandInfo(TEST_MODE)->logName, "TEST_MODE 5");
    EXPECT_EQ(commandInfo(INTERFACE_IDENTIFICATION)->logName, "INTERFACE IDENTIFICATION");
}

TEST(Report, AnswerMatchRule) {
    dataBuffer tx;
    buildRequest(tx, IDENTIFICATION, 0, 0);
    struct Case {
        std::uint8_t dest, code, checksum;
        bool match;
    } cases[] = {{0xF2, 0x00, 0x00, true},  // a wrong checksum is not examined
                 {0xF1, 0x00, 0x02, false},
                 {0xF2, 0x01, 0x03, false},
                 {0x00, 0x00, 0x02, false}};
    for (const Case& c : cases) {
        dataBuffer rx;
        rx[kDest] = c.dest;
        rx[kCode] = c.code;
        rx[kLength] = 2;
        rx[9] = c.checksum;
        EXPECT_EQ(answerMatches(tx, rx), c.match) << int(c.dest) << "/" << int(c.code);
    }
    dataBuffer zeroTx, zeroRx;  // destination 0 is never accepted, even when both say 0
    EXPECT_FALSE(answerMatches(zeroTx, zeroRx));
}

TEST(Report, SupplyAndDirectConnectionRules) {
    EXPECT_EQ(supplyFromOutputWord(0x837C), 1);
    EXPECT_EQ(supplyFromOutputWord(0x00FF), 0);
    EXPECT_EQ(supplyFromOutputWord(0x0101), -1);
    EXPECT_EQ(supplyFromOutputWord(0x0000), -1);
    dataBuffer rx;
    for (auto [levels, direct] : {std::pair{0x02, 0}, {0x03, 0}, {0x00, 1}, {0x01, 1}}) {
        rx[10] = static_cast<std::uint8_t>(levels);
        EXPECT_EQ(directConnectionFromAnswer(rx), direct) << levels;
    }
}

}  // namespace
