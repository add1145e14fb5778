#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>

#include "platform/FileAccess.h"
#include "support/SmallTmpfs.h"
#include "support/SystemReasons.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace dravik;
using namespace dravik::test;

namespace {

const QByteArray kOld = "the previous content, kept byte for byte\r\n";

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot open>");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// Everything in the folder but the file itself: a failed write must leave no temporary behind.
QStringList othersIn(const QString& folder, const QString& keep) {
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    names.removeAll(keep);
    return names;
}

TEST(FileWrite, FullFileSystemKeepsThePreviousFileAndSaysWhy) {
    SmallTmpfs fs(16);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString path = fs.filePath(QStringLiteral("backup.bkd"));
    put(path, kOld);
    const QByteArray big(256 * 1024, 'x');

    const QString reason = writeFileSafely(path, big);

    EXPECT_EQ(reason, kNoSpaceReason) << reason.toStdString();
    EXPECT_EQ(contentOf(path), kOld);
    EXPECT_TRUE(othersIn(fs.path(), QStringLiteral("backup.bkd")).isEmpty());
    // The space of the failed attempt is given back: a save that fits works afterwards.
    EXPECT_EQ(writeFileSafely(path, "new"), QString());
    EXPECT_EQ(contentOf(path), QByteArray("new"));
}

TEST(FileWrite, ReadOnlyFolderKeepsThePreviousFileAndSaysWhy) {
    SmallTmpfs fs(64);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString path = fs.filePath(QStringLiteral("CfgDravik.txt"));
    put(path, kOld);
    ASSERT_TRUE(fs.makeReadOnly());

    const QString reason = writeFileSafely(path, "2");
    EXPECT_EQ(reason, kReadOnlyReason) << reason.toStdString();
    EXPECT_EQ(contentOf(path), kOld);
}

TEST(FileWrite, ReplacesTheContentAndKeepsTheMode) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Save log.txt"));
    put(path, kOld);
#ifndef _WIN32
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
#endif
    EXPECT_EQ(writeFileSafely(path, "short"), QString());
    EXPECT_EQ(contentOf(path), QByteArray("short"));
    EXPECT_TRUE(othersIn(dir.path(), QStringLiteral("Save log.txt")).isEmpty());
#ifndef _WIN32
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
#endif
}

TEST(FileWrite, MissingFolderIsReported) {
    QTemporaryDir dir;
    const QString reason = writeFileSafely(dir.filePath(QStringLiteral("gone/x.bkd")), "x");
    EXPECT_EQ(reason, kNoFolderReason) << reason.toStdString();
}

#ifdef _WIN32
// The names Windows gives its devices, in any folder and with any extension, and the device
// namespaces are never read or written as files; names that merely begin like them are files.
TEST(FileDevices, DeviceNamesAreRefusedByTheReaderAndTheWriter) {
    QTemporaryDir dir;
    const QString devices[] = {
        QStringLiteral("NUL"),          QStringLiteral("CON"),
        QStringLiteral("COM1"),         QStringLiteral("lpt9"),
        QStringLiteral("NUL:"),         dir.filePath(QStringLiteral("nul.txt")),
        dir.filePath(QStringLiteral("Con.tar.gz")), dir.filePath(QStringLiteral("aux .bkd")),
        dir.filePath(QStringLiteral("com¹.log")), QStringLiteral("\\\\.\\NUL"),
        QStringLiteral("\\\\.\\COM1"),   QStringLiteral("//./pipe/dravik"),
        QStringLiteral("\\\\?\\GLOBALROOT\\Device\\Null"),
    };
    for (const QString& device : devices) {
        SCOPED_TRACE(device.toStdString());
        EXPECT_EQ(regularFileProblem(device), kNotAFileReason);
        const FileContent read = readRegularFile(device, 100);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.error, kNotAFileReason);
        EXPECT_EQ(writeFileSafely(device, "x"), kNotAFileReason);
    }
    EXPECT_TRUE(othersIn(dir.path(), QString()).isEmpty()) << "a device name was written as a file";
    for (const char* name : {"console.txt", "nul_x.txt", "com10.log", "lpt.bkd"}) {
        SCOPED_TRACE(name);
        const QString path = dir.filePath(QString::fromLatin1(name));
        EXPECT_EQ(writeFileSafely(path, "file"), QString());
        const FileContent read = readRegularFile(path, 100);
        EXPECT_TRUE(read.ok) << read.error.toStdString();
        EXPECT_EQ(read.bytes, QByteArray("file"));
    }
}

// A path longer than the classic 260-character limit is written, replaced and read like any other.
TEST(FileDevices, APathLongerThanTheClassicLimitWorks) {
    QTemporaryDir dir;
    QString folder = dir.path();
    while (folder.size() < 300) folder += QStringLiteral("/a folder with a long name, part %1").arg(folder.size());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/vehicle backup.bkd");
    ASSERT_GT(QDir::toNativeSeparators(path).size(), 260);
    EXPECT_EQ(writeFileSafely(path, kOld), QString());
    EXPECT_EQ(writeFileSafely(path, "replaced"), QString());
    EXPECT_EQ(regularFileProblem(path), QString());
    const FileContent read = readRegularFile(path, 100);
    EXPECT_TRUE(read.ok) << read.error.toStdString();
    EXPECT_EQ(read.bytes, QByteArray("replaced"));
    EXPECT_TRUE(othersIn(folder, QStringLiteral("vehicle backup.bkd")).isEmpty());
}
#endif

#ifndef _WIN32
struct ReadCase {
    const char* name;
    const char* kind;  // "file", "fifo", "dir", "missing", "large"
    bool ok;
    const char* error;
};

class FileRead : public ::testing::TestWithParam<ReadCase> {};

// A pipe is refused at once: opened without O_NONBLOCK the read would wait for a writer for good.
TEST_P(FileRead, OnlyRegularFilesWithinTheBoundAreRead) {
    const ReadCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("Données/Università ä/日本/a file.bkd"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    const std::string kind = c.kind;
    if (kind == "file") put(path, "abc");
    if (kind == "large") put(path, QByteArray(11, 'a'));
    if (kind == "fifo") ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (kind == "dir") ASSERT_TRUE(QDir().mkpath(path));

    const auto start = std::chrono::steady_clock::now();
    const FileContent read = readRegularFile(path, 10);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    EXPECT_EQ(read.ok, c.ok);
    EXPECT_EQ(read.error, QString::fromUtf8(c.error));
    if (c.ok) EXPECT_EQ(read.bytes, QByteArray("abc"));
    EXPECT_EQ(regularFileProblem(path).isEmpty(), kind == "file" || kind == "large");
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileRead,
                         ::testing::Values(ReadCase{"RegularFile", "file", true, ""},
                                           ReadCase{"NamedPipe", "fifo", false, "it is not a file"},
                                           ReadCase{"Folder", "dir", false, "it is not a file"},
                                           ReadCase{"Missing", "missing", false, "No such file or directory"},
                                           ReadCase{"TooLarge", "large", false, "it is larger than 10 bytes"}),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

}  // namespace
