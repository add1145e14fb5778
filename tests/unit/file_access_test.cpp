#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <filesystem>

#include "platform/FileAccess.h"
#include "platform/TempFiles.h"
#include "support/SmallTmpfs.h"
#include "support/SystemReasons.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
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

// The temporary file beside the target has a short name of its own, so any name the system allows
// for the target is saved (255 bytes on Linux).
TEST(FileWrite, SavesUnderTheLongestNamesTheSystemAllows) {
    QTemporaryDir dir;
    const QString names[] = {
        QString(244, QLatin1Char('l')) + QStringLiteral(".txt"),  // 248 bytes
        QString(251, QLatin1Char('r')) + QStringLiteral(".pdf"),  // 255 bytes
        QString(125, QChar(0xE8)) + QStringLiteral("a.bkd"),      // 255 bytes of UTF-8
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        const QString path = dir.filePath(name);
        EXPECT_EQ(writeFileSafely(path, "saved"), QString());
        EXPECT_EQ(contentOf(path), QByteArray("saved"));
        EXPECT_TRUE(othersIn(dir.path(), name).isEmpty());
        QFile::remove(path);
    }
}

// The names Windows gives its devices, in any folder and with any extension, and the device
// namespaces are never read or written as files; names that merely begin like them are files.
TEST(FileDevices, DeviceNamesAreRefusedByTheReaderAndTheWriter) {
#ifndef _WIN32
    GTEST_SKIP() << "Windows only: Linux has no reserved device names";
#else
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
#endif
}

// A path longer than the classic 260-character limit is written, replaced and read like any other.
TEST(FileDevices, APathLongerThanTheClassicLimitWorks) {
#ifndef _WIN32
    GTEST_SKIP() << "Windows only: Linux has no classic path length limit";
#else
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
#endif
}

// What an interrupted save left (its process gone, and its lock with it) is removed by the next save
// of the same target. A save still at work holds the lock on its temporary file and keeps it; no
// other file in the folder is touched, whatever its name.
TEST(FileWrite, TheNextSaveRemovesWhatAnInterruptedSaveOfTheSameTargetLeft) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: a live save is known by its lock here; on Windows by its open file, "
                    "which the system itself keeps from removal";
#else
    QTemporaryDir dir;
    const QString target = QStringLiteral("car report.pdf");
    const QString prefix = tempFilePrefix(target);
    const QStringList leftovers{prefix + QStringLiteral("a1B2c3"), prefix + QStringLiteral("zzzzzz")};
    const QString alive = prefix + QStringLiteral("L1ve00");
    const QStringList others{
        tempFilePrefix(QStringLiteral("other.pdf")) + QStringLiteral("a1B2c3"),  // another target's
        prefix + QStringLiteral("abc"),                                          // not of the pattern
        prefix + QStringLiteral("abcdefg"),
        QStringLiteral(".car report.pdf.a1B2c3"),  // someone else's temporary name
        QStringLiteral("car report.pdf.bak"),
    };
    for (const QString& name : leftovers + others + QStringList{alive}) put(dir.filePath(name), "x");
    put(dir.filePath(leftovers[1]), "");
    const QString folderLike = prefix + QStringLiteral("dir000");  // the pattern, but a folder
    ASSERT_TRUE(QDir(dir.path()).mkdir(folderLike));
    // A writer at work: its lock is on its own open file.
    const int held = ::open(QFile::encodeName(dir.filePath(alive)).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    EXPECT_EQ(writeFileSafely(dir.filePath(target), "new"), QString());

    QStringList expected = others + QStringList{alive, target};
    expected.sort();
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(QFileInfo(dir.filePath(folderLike)).isDir());
    EXPECT_EQ(contentOf(dir.filePath(target)), QByteArray("new"));

    // Its writer gone, the next save cleans that one too.
    ::close(held);
    EXPECT_EQ(writeFileSafely(dir.filePath(target), "newer"), QString());
    EXPECT_FALSE(QFile::exists(dir.filePath(alive)));
#endif
}

// A file that grows by records on a filling disk: the record that does not fit is not left in part,
// and the reason is the system's.
TEST(FileAppend, AFullFileSystemLeavesTheFileEndingOnItsLastWholeRecord) {
    SmallTmpfs fs(8);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString path = fs.filePath(QStringLiteral("session.jsonl"));
    put(path, "");
    AppendFile file;
    ASSERT_EQ(file.open(path), QString());
    // 100 bytes: the disk's pages do not end on a record, so the last one fits only in part.
    const QByteArray record = QByteArray(99, 'r') + '\n';
    QString reason;
    int whole = 0;
    while (whole < 1000 && (reason = file.append(record)).isEmpty()) ++whole;

    EXPECT_EQ(reason, kNoSpaceReason);
    EXPECT_GT(whole, 0);
    EXPECT_EQ(contentOf(path), record.repeated(whole));
}

TEST(FileAppend, OnlyAnExistingRegularFileIsOpened) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: named pipes are a Linux file kind; Windows devices are refused in FileDevices";
#else
    QTemporaryDir dir;
    AppendFile file;
    EXPECT_EQ(file.open(dir.filePath(QStringLiteral("missing.jsonl"))),
              QStringLiteral("No such file or directory"));
    EXPECT_EQ(file.open(dir.path()), QStringLiteral("it is not a file"));
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_EQ(file.open(fifo), QStringLiteral("it is not a file"));
    EXPECT_FALSE(file.isOpen());
#endif
}

struct ReadCase {
    const char* name;
    const char* kind;  // "file", "fifo", "dir", "missing", "large"
    bool ok;
    const char* error;
};

class FileRead : public ::testing::TestWithParam<ReadCase> {};

// A pipe is refused at once: opened without O_NONBLOCK the read would wait for a writer for good.
TEST_P(FileRead, OnlyRegularFilesWithinTheBoundAreRead) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: named pipes are a Linux file kind; Windows devices are refused in FileDevices";
#else
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
#endif
}

INSTANTIATE_TEST_SUITE_P(Kinds, FileRead,
                         ::testing::Values(ReadCase{"RegularFile", "file", true, ""},
                                           ReadCase{"NamedPipe", "fifo", false, "it is not a file"},
                                           ReadCase{"Folder", "dir", false, "it is not a file"},
                                           ReadCase{"Missing", "missing", false, "No such file or directory"},
                                           ReadCase{"TooLarge", "large", false, "it is larger than 10 bytes"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// One file however it is named: another spelling, a symbolic link, a hard link. Another file with
// the same bytes is not it, nor a name that does not exist.
TEST(SameFile, KnowsAFileThroughLinks) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("car.jsonl"));
    put(file, kOld);
    put(dir.filePath(QStringLiteral("copy.jsonl")), kOld);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    std::error_code error;
    std::filesystem::create_symlink(file.toStdString(),
                                    dir.filePath(QStringLiteral("soft.jsonl")).toStdString(), error);
    const bool soft = !error;
    std::filesystem::create_hard_link(file.toStdString(),
                                      dir.filePath(QStringLiteral("hard.jsonl")).toStdString(), error);
    const bool hard = !error;
    struct Case {
        const char* name;
        QString other;
        bool same;
    };
    std::vector<Case> cases = {{"Itself", file, true},
                               {"OtherSpelling", dir.path() + QStringLiteral("/./sub/../car.jsonl"), true},
                               {"Copy", dir.filePath(QStringLiteral("copy.jsonl")), false},
                               {"Missing", dir.filePath(QStringLiteral("none.jsonl")), false},
                               {"Empty", QString(), false}};
    if (soft) cases.push_back({"SymbolicLink", dir.filePath(QStringLiteral("soft.jsonl")), true});
    if (hard) cases.push_back({"HardLink", dir.filePath(QStringLiteral("hard.jsonl")), true});
    for (const Case& c : cases) {
        EXPECT_EQ(sameFile(file, c.other), c.same) << c.name;
        EXPECT_EQ(sameFile(c.other, file), c.same) << c.name;
    }
}

}  // namespace
