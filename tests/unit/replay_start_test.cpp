// What a recording says about the run that made it, and what a replay checks before it starts:
// the product database's identity (bounded however large the file), the notes on another program
// version or database, and a recording never made over the one replayed.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>

#include "app/Backend.h"
#include "app/SessionRecording.h"
#include "link/Clock.h"

namespace dravik {
namespace {

QString sha256(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// A file of size bytes, zero but for the bytes given at their offsets; sparse where it can be.
QString makeFile(const QTemporaryDir& dir, const char* name, qint64 size,
                 const std::vector<std::pair<qint64, char>>& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    EXPECT_TRUE(f.resize(size));
    for (const auto& [at, byte] : bytes) {
        EXPECT_TRUE(f.seek(at));
        EXPECT_EQ(f.write(&byte, 1), 1);
    }
    return path;
}

// A database up to the bound is named by the digest of all its bytes; a larger one by its ends and
// its size, so that its identity is read in a bounded time (a 3 GiB file reads 16 MiB).
TEST(DatabaseIdentity, IsTheWholeDigestOrTheEndsOfALargeFile) {
    QTemporaryDir dir;
    const qint64 large = qint64{3} << 30;
    const QByteArray ends(2 * kIdentityEndBytes, '\0');
    EXPECT_EQ(databaseIdentity(makeFile(dir, "small.db", 3, {{0, 'a'}, {1, 'b'}, {2, 'c'}})),
              QStringLiteral("sha256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
    EXPECT_EQ(databaseIdentity(makeFile(dir, "bound.db", kWholeIdentityBytes, {})),
              QStringLiteral("sha256:") + sha256(QByteArray(kWholeIdentityBytes, '\0')));
    EXPECT_EQ(databaseIdentity(makeFile(dir, "large.db", large, {})),
              QStringLiteral("sha256-ends:") + sha256(ends + QByteArray::number(large)));
    EXPECT_EQ(databaseIdentity(dir.filePath(QStringLiteral("missing.db"))), kNoDatabaseIdentity);
    EXPECT_EQ(databaseIdentity(dir.path()), kNoDatabaseIdentity);

    // Every part it reads tells one file from another: the first bytes, the last, the size.
    const QString plain = databaseIdentity(makeFile(dir, "plain.db", kWholeIdentityBytes + 1, {}));
    for (const QString& other :
         {databaseIdentity(makeFile(dir, "first.db", kWholeIdentityBytes + 1, {{0, 'x'}})),
          databaseIdentity(makeFile(dir, "last.db", kWholeIdentityBytes + 1, {{kWholeIdentityBytes, 'x'}})),
          databaseIdentity(makeFile(dir, "longer.db", kWholeIdentityBytes + 2, {}))})
        EXPECT_NE(other, plain);
}

struct Notes {
    const char* name;
    QString program;
    QString database;
    QStringList notes;
};

class ReplayNotesTest : public ::testing::TestWithParam<Notes> {};

TEST_P(ReplayNotesTest, SayWhatDiffersFromTheRecordedRun) {
    EXPECT_EQ(replayNotes(GetParam().program, GetParam().database, QStringLiteral("sha256:aa")),
              GetParam().notes);
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, ReplayNotesTest,
    ::testing::Values(
        Notes{"SameRun", versionText(), QStringLiteral("sha256:aa"), {}},
        Notes{"NothingNamed", QString(), QString(), {}},
        // A run without a readable database says so; that is no other database.
        Notes{"NoDatabaseRecorded", versionText(), QStringLiteral("none"), {}},
        Notes{"OtherVersion",
              QStringLiteral("Dravik 9.1.0"),
              QStringLiteral("sha256:aa"),
              {QStringLiteral("Replay: the recording was made by Dravik 9.1.0; this is ") + versionText()}},
        Notes{"OtherDatabase",
              versionText(),
              QStringLiteral("sha256:bb"),
              {QStringLiteral(
                  "Replay: the recording was made with another product database (sha256:bb); this run "
                  "uses sha256:aa")}}),
    [](const ::testing::TestParamInfo<Notes>& info) { return std::string(info.param.name); });

// --record naming the recording --replay plays would overwrite it: refused before anything is
// opened, by whatever name it is given.
TEST(ReplayBackend, RecordingOverTheReplayedFileIsRefused) {
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("car.jsonl"));
    const QByteArray field =
        R"({"t":0,"ev":"start","format":1,"program":"Dravik 10.0.0","backend":"usb","database":"none","started":"program"})"
        "\n";
    QFile f(recording);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(field);
    f.close();
    std::error_code error;
    std::filesystem::create_symlink(recording.toStdString(),
                                    dir.filePath(QStringLiteral("soft.jsonl")).toStdString(), error);
    std::filesystem::create_hard_link(recording.toStdString(),
                                      dir.filePath(QStringLiteral("hard.jsonl")).toStdString(), error);
    VirtualClock clock;
    for (const char* name : {"car.jsonl", "soft.jsonl", "hard.jsonl"}) {
        const QString target = dir.filePath(QString::fromLatin1(name));
        if (!QFile::exists(target)) continue;  // no links on this file system
        CommandLineOptions options;
        options.replayPath = recording;
        options.recordPath = target;
        QString why;
        EXPECT_FALSE(openBackend(options, clock, &why)) << name;
        EXPECT_EQ(why, QStringLiteral(
                           "dravik: --record %1 names the recording that --replay plays; recording would "
                           "overwrite it. Record into another file.")
                           .arg(target));
    }
    CommandLineOptions options;
    options.replayPath = recording;
    options.recordPath = dir.filePath(QStringLiteral("replayed.jsonl"));
    EXPECT_TRUE(openBackend(options, clock, nullptr));
    QFile kept(recording);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), field);
}

}  // namespace
}  // namespace dravik
