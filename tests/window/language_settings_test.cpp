// The language number in the settings file: reading, creating, repairing and saving it.
#include <gtest/gtest.h>

#include "app/LanguageSettings.h"
#include "support/SmallTmpfs.h"
#include "support/SystemReasons.h"
#include "window/TempDataDir.h"

namespace dravik {
namespace {

const QString kFile = QStringLiteral("CfgDravik.txt");

struct ReadCase {
    const char* name;
    bool exists;
    QByteArray content;
    int expected;
    QByteArray fileAfter;
    bool created;
    bool repaired;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class LanguageRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(LanguageRead, ReturnsAndLeavesTheFileAsExpected) {
    const ReadCase& c = GetParam();
    TempDataDir dir;
    ASSERT_TRUE(dir.create());
    if (c.exists) ASSERT_TRUE(dir.write(kFile, c.content));

    LanguageFileReport report;
    EXPECT_EQ(CfgAppReadLang(1, &report), c.expected);
    EXPECT_EQ(dir.read(kFile), c.fileAfter);
    EXPECT_EQ(report.created, c.created);
    EXPECT_EQ(report.repaired, c.repaired);
    EXPECT_EQ(report.writeError, QString());
}

INSTANTIATE_TEST_SUITE_P(
    Language, LanguageRead,
    ::testing::Values(
        // First start: the file is created with the default and "not read yet" comes back.
        ReadCase{"Missing", false, {}, 0, "1", true, false},
        ReadCase{"Italian", true, "2", 2, "2", false, false},
        // Out of the language range but a stored number: returned as read, English at the lookups.
        ReadCase{"Seven", true, "7", 7, "7", false, false}, ReadCase{"Zero", true, "0", 0, "0", false, false},
        ReadCase{"Largest", true, "255", 255, "255", false, false},
        ReadCase{"LinesJoined", true, "1\r\n", 1, "1\r\n", false, false},
        ReadCase{"BlanksAndLeadingZero", true, " 03 ", 3, " 03 ", false, false},
        // Not a number from 0 to 255: English, and the file is put right.
        ReadCase{"Empty", true, "", 1, "1", false, true},
        ReadCase{"Letters", true, "abc", 1, "1", false, true},
        ReadCase{"TooLarge", true, "300", 1, "1", false, true},
        ReadCase{"JustTooLarge", true, "256", 1, "1", false, true},
        ReadCase{"Negative", true, "-1", 1, "1", false, true},
        ReadCase{"TwoLinesMakeOneNumber", true, "2\n99", 1, "1", false, true},
        // A file far larger than a number is not read in whole.
        ReadCase{"LongerThanASettingsFile", true, QByteArray(5000, ' ') + "2", 1, "1", false, true}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(LanguageSave, WritesTheBareNumberAndReadsBack) {
    TempDataDir dir;
    ASSERT_TRUE(dir.create());
    ASSERT_TRUE(dir.write(kFile, "12345\r\n"));
    int language = 0;

    EXPECT_TRUE(Save_Language(3, language));

    EXPECT_EQ(language, 3);
    EXPECT_EQ(dir.read(kFile), QByteArray("3"));
    EXPECT_EQ(CfgAppReadLang(1), 3);
}

TEST(LanguageSave, MissingFolderIsReportedNotFatal) {
    TempDataDir dir;  // folder not created
    int language = 1;

    EXPECT_FALSE(Save_Language(2, language));
    EXPECT_EQ(language, 2);

    LanguageFileReport report;
    EXPECT_EQ(CfgAppReadLang(1, &report), 0);
    EXPECT_TRUE(report.created);
    EXPECT_EQ(report.writeError, dravik::test::kNoFolderReason);
}

// On a disk with no room left the file cannot be put right or made. The technician is told what
// happened: the unreadable file is left as it was, a missing one is not there; that a missing file
// cannot be made is told once, though it is tried at every connection.
TEST(LanguageRead, AFullDiskIsToldAsItIs) {
    TempDataDir data;  // puts DRAVIK_DATA_DIR back afterwards
    dravik::test::SmallTmpfs fs(8);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    qputenv("DRAVIK_DATA_DIR", QFile::encodeName(fs.path()));
    const QString file = fs.filePath(kFile);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    fs.fill();
    LanguageFileNotices notices;

    LanguageFileReport report;
    EXPECT_EQ(CfgAppReadLang(1, &report), 1);
    EXPECT_TRUE(report.repaired);
    EXPECT_EQ(report.writeError, dravik::test::kNoSpaceReason);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("abc"));
    f.close();
    EXPECT_EQ(notices.after(report),
              QStringLiteral("The settings file could not be read; English is used, but the file cannot be "
                             "rewritten (%1) and is left as it was.").arg(dravik::test::kNoSpaceReason));

    ASSERT_TRUE(QFile::remove(file));
    fs.fill();
    const QString missing = QStringLiteral(
        "The settings file is missing and cannot be created (%1); English is used.").arg(dravik::test::kNoSpaceReason);
    for (const QString& told : {missing, QString()}) {
        EXPECT_EQ(CfgAppReadLang(1, &report), 0);
        EXPECT_TRUE(report.created);
        EXPECT_EQ(report.writeError, dravik::test::kNoSpaceReason);
        EXPECT_FALSE(QFile::exists(file));
        EXPECT_EQ(notices.after(report), told);
    }
}

TEST(LanguageRead, AFileReadOrMadeAsExpectedIsNotTold) {
    LanguageFileNotices notices;
    EXPECT_EQ(notices.after({}), QString());
    EXPECT_EQ(notices.after({true, false, {}}), QString());
    EXPECT_EQ(notices.after({false, true, {}}),
              QStringLiteral("The settings file could not be read; English is used and the file rewritten."));
}

}  // namespace
}  // namespace dravik
