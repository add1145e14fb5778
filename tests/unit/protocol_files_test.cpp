#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "module/FlashCrc.h"
#include "module/ModuleStatus.h"
#include "module/Programmer.h"
#include "module/ProtocolFiles.h"
#include "support/RecordingViews.h"

using namespace dravik;
using namespace dravik::test;

namespace {

// A section: header line, name line (name, revision, version), decoder/group line, then data.
std::string section(const std::string& header, const std::string& name, char revision, int version,
                    int decoder, int group, int dataLines = 2, bool scramble = false) {
    auto hex = [](int v) {
        char b[3];
        std::snprintf(b, sizeof b, "%02X", v & 0xFF);
        return std::string(b);
    };
    const int key = scramble ? 0xA7 : 0;
    std::string padded = name;
    padded.resize(14, ' ');
    std::string out = header + "\r\n";
    for (char c : padded) out += hex(static_cast<unsigned char>(c) ^ key);
    out += hex(revision ^ key) + hex(version ^ key) + "\r\n";
    out += hex(decoder ^ key) + hex(group ^ key) + std::string(28, '0') + "\r\n";
    for (int i = 0; i < dataLines; ++i) out += std::string(32, '1') + "\r\n";
    return out;
}

struct ProtocolFilesTest : ::testing::Test {
    QTemporaryDir dir;
    std::unique_ptr<SlotTables> tables = std::make_unique<SlotTables>();
    RecordingLog log;

    QString folder() const { return dir.path(); }
    QString write(const QString& name, const std::string& text) {
        const QString path = QDir(dir.path()).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
        return path;
    }
    int load(std::uint8_t working, std::uint8_t all = 0, std::uint8_t type = kModuleA1) {
        return LoadExtProtocols(folder(), {working, all, type}, *tables, log);
    }
    const Slot_T& at(int i) const { return tables->SlotsTable[static_cast<std::size_t>(i)]; }
};

TEST_F(ProtocolFilesTest, SectionsGoAfterTheWorkingSlotsWithSlotNumbersFromTheEnd) {
    write("a.txt", section("@SLOTA10100", "FIRST", 'B', 3, 7, 1) +
                       section("@SLOTA10100", "SECOND", 'C', 4, 8, 2) + "q\r\n");
    write("b.txt", section("@SLOTA10100", "THIRD", 'D', 1, 9, 0) + "q\r\n");
    ASSERT_EQ(load(10), 3);
    EXPECT_EQ(at(10).slot_number, 7);
    EXPECT_EQ(at(11).slot_number, 8);
    EXPECT_EQ(at(12).slot_number, 7);  // a second file starts again
    EXPECT_EQ(at(10).file_marker, 200);
    EXPECT_EQ(at(10).module_type, 0xA1);
    EXPECT_EQ(at(10).module_version, 1);
    EXPECT_EQ(at(11).decoder_type, 8);
    EXPECT_EQ(at(11).group, 2);
    EXPECT_EQ(Programmer::fromSlot(at(10)).filename, QDir(folder()).filePath("a.txt"));
    EXPECT_EQ(Programmer::fromSlot(at(10)).toString(), QStringLiteral("07  B  FIRST           ver. 3 *"));
}

// Other module types count from the module's number of all slots.
TEST_F(ProtocolFilesTest, SlotNumbersOfOtherTypesCountFromAllSlots) {
    write("a.txt", section("@SLOTA20100", "ONE", 'A', 1, 3, 1) + "q\r\n");
    ASSERT_EQ(load(5, 20, kModuleA2), 1);
    EXPECT_EQ(at(5).slot_number, 17);
}

TEST_F(ProtocolFilesTest, ScrambledHeaderIsShownPlainWhileTheImageKeepsTheFileBytes) {
    const QString path = write("s.txt", section("@SLOTA101FF", "SECRET", 'B', 3, 7, 1, 1, true) + "q\r\n");
    ASSERT_EQ(load(0), 1);
    EXPECT_EQ(Programmer::fromSlot(at(0)).Decode_description, QStringLiteral("SECRET        "));
    EXPECT_EQ(at(0).version, 3);
    EXPECT_EQ(at(0).decoder_type, 7);
    const ProtocolImage image = readProtocolImage(path, *tables);
    ASSERT_TRUE(image.ok) << image.error.toStdString();
    EXPECT_EQ(image.bytes, 48);
    EXPECT_EQ(tables->dataToSend[0], 'S' ^ 0xA7);
    EXPECT_EQ(tables->dataToSend[16], 7 ^ 0xA7);
    EXPECT_EQ(tables->dataToSend[32], 0x11);
}

TEST_F(ProtocolFilesTest, HeaderFieldsAtTheirPositions) {
    write("h.txt", "@SLOTA10300\r\n" + std::string(32, '4') + "\r\n0501\r\nq\r\n");
    ASSERT_EQ(load(0), 1);
    EXPECT_EQ(at(0).module_type, 0xA1);
    EXPECT_EQ(at(0).module_version, 3);
    EXPECT_EQ(at(0).name[0], 0x44);  // plain
}

// A short or broken header never reads outside its line: the fields it lacks keep their bytes.
TEST_F(ProtocolFilesTest, ShortLinesLeaveFieldsAlone) {
    tables->SlotsTable[0].version = 99;
    tables->SlotsTable[0].decoder_type = 42;
    write("short.txt", "@SLOT\r\n41\r\nzz\r\n");
    ASSERT_EQ(load(0), 1);
    EXPECT_EQ(at(0).name[0], 0x41);
    EXPECT_EQ(at(0).version, 99);
    EXPECT_EQ(at(0).decoder_type, 42);
}

TEST_F(ProtocolFilesTest, TableLimitStopsTheLoad) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += section("@SLOTA10100", "P" + std::to_string(i), 'A', 1, i, 1);
    write("many.txt", text + "q\r\n");
    EXPECT_EQ(load(240), 9);
    EXPECT_EQ(log.count(QStringLiteral("SlotsTable size error ! \n\r")), 1);
}

TEST_F(ProtocolFilesTest, MissingFolderIsReported) {
    EXPECT_EQ(LoadExtProtocols(QDir(folder()).filePath("none"), {0, 0, kModuleA1}, *tables, log), 0);
    EXPECT_TRUE(log.text().contains(QStringLiteral("' not found\r\n")));
}

TEST_F(ProtocolFilesTest, FileWhoseImageDoesNotFitIsRefused) {
    std::string text = section("@SLOTA10100", "BIG", 'A', 1, 1, 1, 940);  // 943 lines of 16 bytes
    write("big.txt", text + "q\r\n");
    write("ok.txt", section("@SLOTA10100", "SMALL", 'A', 1, 2, 1) + "q\r\n");
    EXPECT_EQ(load(0), 1);
    EXPECT_EQ(Programmer::fromSlot(at(0)).Decode_description.trimmed(), QStringLiteral("SMALL"));
    EXPECT_TRUE(log.text().contains(QStringLiteral("big.txt refused")));
    const ProtocolImage image = readProtocolImage(QDir(folder()).filePath("big.txt"), *tables);
    EXPECT_FALSE(image.ok);
}

TEST_F(ProtocolFilesTest, ImageReaderKeepsLaterBytesAndRefusesBadFiles) {
    tables->dataToSend[40] = 0x5A;
    const QString path = write("p.txt", "@SLOTA10100\r\n0102\r\n0A0b0\r\nq\r\n");
    const ProtocolImage image = readProtocolImage(path, *tables);
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.bytes, 5);
    EXPECT_EQ((std::vector<int>(tables->dataToSend.begin(), tables->dataToSend.begin() + 5)),
              (std::vector<int>{1, 2, 0x0A, 0x0B, 0}));
    EXPECT_EQ(tables->dataToSend[40], 0x5A);

    tables->dataToSend[0] = 0x77;
    const QString bad = write("bad.txt", "@SLOTA10100\r\n01G2\r\n");
    EXPECT_FALSE(readProtocolImage(bad, *tables).ok);
    EXPECT_EQ(tables->dataToSend[0], 0x77);  // nothing half-applied
    const ProtocolImage gone = readProtocolImage(QDir(folder()).filePath("gone.txt"), *tables);
    EXPECT_FALSE(gone.ok);
    EXPECT_TRUE(gone.error.contains(QStringLiteral("cannot be opened")));
}

// Only a line holding "q" alone ends the image; a data line with a "q" in it is a bad line, named
// by its number, never skipped (the rest of the image would be programmed one line early).
TEST_F(ProtocolFilesTest, ADataLineWithAQIsRefusedWithItsLineNumber) {
    struct Case {
        const char* name;
        const char* text;
        const char* error;  // empty: read
    };
    const Case cases[] = {
        {"end line", "@SLOTA10100\r\n0102\r\n0304\r\nq\r\n", ""},
        {"end line with blanks", "@SLOTA10100\r\n0102\r\n0304\r\n  Q \r\n", ""},
        {"q inside data", "@SLOTA10100\r\n0102\r\n03q4\r\n0506\r\nq\r\n", "in line 3"},
        {"q after data", "@SLOTA10100\r\n0102\r\n0304 q\r\n", "in line 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProtocolImage image = readProtocolImage(write("q.txt", c.text), *tables);
        EXPECT_EQ(image.ok, std::string(c.error).empty());
        if (image.ok) {
            EXPECT_EQ(image.bytes, 4);
        } else {
            EXPECT_TRUE(image.error.endsWith(QString::fromUtf8(c.error))) << image.error.toStdString();
        }
    }
}

TEST(FlashCrc, CheckValues) {
    const std::string digits = "123456789";
    const std::string abc = "abc";
    EXPECT_EQ(CalcFlashCRC(reinterpret_cast<const std::uint8_t*>(digits.data()), 9), 0x29B1);
    EXPECT_EQ(CalcFlashCRC(reinterpret_cast<const std::uint8_t*>(abc.data()), 3), 0x514A);
    EXPECT_EQ(CalcFlashCRC(nullptr, 0), 0xFFFF);
}

TEST(ProgrammerText, DisplayText) {
    Programmer p;
    p.Decode_description = QStringLiteral("NAME          ");
    p.Decode_type = 7;
    p.Decode_revision = 'B';
    p.Decode_version = 3;
    p.filename = QStringLiteral("/x/p.txt");
    EXPECT_EQ(p.toString(), QStringLiteral("07  B  NAME            ver. 3 *"));
    p.Decode_type = 12;
    p.filename.clear();
    EXPECT_EQ(p.toString(), QStringLiteral("12  B  NAME            ver. 3 "));
}

TEST(DatabaseSlots, EntriesFromSlotSources) {
    auto tables = std::make_unique<SlotTables>();
    tables->SlotsTable[0].file_marker = 200;
    const std::vector<ModuleSlotSource> sources{{QByteArray("3 CAN fast with a long name"), 3},
                                                {QByteArray("x"), 0}};
    ASSERT_EQ(fillDatabaseSlots(*tables, sources, 31, 2), 2);
    const Slot_T& s = tables->SlotsTable[0];
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(s.name.data()), 14), QByteArray("3 CAN fast wit"));
    EXPECT_EQ(s.slot_number, 3);
    EXPECT_EQ(s.decoder_type, 3);
    EXPECT_EQ(s.revision, 0x20);
    EXPECT_EQ(s.file_marker, 0);
    EXPECT_EQ(s.module_type, 31);
    EXPECT_EQ(s.module_version, 2);
}

}  // namespace
