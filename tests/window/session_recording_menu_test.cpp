// "Record session…", "Stop recording", the status bar's recording field, and the recording offered
// with a saved log.
#include <gtest/gtest.h>

#include <filesystem>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QThread>

#include "app/SessionRecording.h"
#include "support/FakeLibrary.h"
#include "support/RecordingViews.h"
#include "support/SmallTmpfs.h"
#include "support/SystemReasons.h"

namespace dravik {
namespace {

class FakeFiles : public FileDialogs {
  public:
    QString chooseFile(const FileDialogRequest& request) override {
        asked << request.caption;
        return answer;
    }
    QString answer;
    QStringList asked;
};

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

struct SessionRecordingMenuTest : ::testing::Test {
    QTemporaryDir dir;
    VirtualClock clock;
    test::FakeLibrary inner{clock};
    RecordingLibrary lib{clock, inner};
    QAction record{QStringLiteral("Record session…")};
    QAction stop{QStringLiteral("Stop recording")};
    QLabel field;
    test::RecordingLog log;
    test::RecordingDialogs dialogs;
    FakeFiles files;
    std::unique_ptr<SessionRecording> recording;

    void SetUp() override {
        record.setEnabled(false);
        stop.setEnabled(false);
        QFile db(dir.filePath(QStringLiteral("products.db")));
        ASSERT_TRUE(db.open(QIODevice::WriteOnly));
        db.write("abc");
        db.close();
        make();
    }
    void make(const QString& replayed = {}, std::function<QString(const QString&)> identify = {}) {
        recording.reset();
        recording = std::make_unique<SessionRecording>(SessionRecording::Deps{
            lib, &record, &stop, &field, log, dialogs, files, QStringLiteral("simulated"),
            [this] { return dir.filePath(QStringLiteral("products.db")); }, [this] { return dir.path(); },
            replayed, std::move(identify)});
    }
    // "Record session…" takes the database's identity on a thread; the recording begins after.
    void recordFromMenu() {
        record.trigger();
        while (recording->starting()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    // Records some 40 KiB of exchanges into file, less when the disk fills first.
    void recordExchanges(const QString& file) {
        ASSERT_TRUE(recording->start(file, QStringLiteral("program"), nullptr));
        for (int i = 0; i < 1000 && lib.recording(); ++i)
            lib.USB_TX(libframe::makeFrame(kDestInterface, 0x00, nullptr, 0));
    }
};

TEST_F(SessionRecordingMenuTest, RecordsFromTheMenuUntilStoppedAndShowsTheFileMeanwhile) {
    EXPECT_TRUE(record.isEnabled());
    EXPECT_FALSE(stop.isEnabled());
    EXPECT_FALSE(field.isVisibleTo(nullptr));

    files.answer = path("car 1.jsonl");
    recordFromMenu();
    EXPECT_EQ(files.asked, QStringList{QStringLiteral("Record session")});
    EXPECT_TRUE(record.isEnabled());
    EXPECT_TRUE(lib.recording());
    EXPECT_TRUE(stop.isEnabled());
    EXPECT_FALSE(field.isHidden());
    EXPECT_EQ(field.text(), QStringLiteral("Recording: car 1.jsonl"));
    EXPECT_EQ(field.toolTip(), path("car 1.jsonl"));
    EXPECT_TRUE(log.text().contains(QStringLiteral("Recording the session into ") + path("car 1.jsonl")));

    stop.trigger();
    EXPECT_FALSE(lib.recording());
    EXPECT_FALSE(stop.isEnabled());
    EXPECT_TRUE(field.isHidden());
    const QList<QByteArray> lines = readAll(path("car 1.jsonl")).split('\n');
    // The header names the backend and the database by its digest ("abc").
    EXPECT_TRUE(lines[0].contains(R"("backend":"simulated","database":"sha256:ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad","started":"menu")"))
        << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains(R"("program":"Dravik )"));
}

TEST_F(SessionRecordingMenuTest, ACancelledOrRefusedFileRecordsNothing) {
    files.answer.clear();
    record.trigger();
    EXPECT_FALSE(lib.recording());
    EXPECT_TRUE(dialogs.shown.empty());

    files.answer = dir.path();  // a folder
    recordFromMenu();
    EXPECT_FALSE(lib.recording());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Record session"));
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("Cannot record into %1: %2 is not a regular file").arg(QDir::toNativeSeparators(dir.path()), dir.path()));
    EXPECT_TRUE(field.isHidden());
}

// The database's identity, which may take long, is taken away from the window's thread; the item
// is off until the recording begins.
TEST_F(SessionRecordingMenuTest, TheDatabaseIsIdentifiedAwayFromTheWindow) {
    QThread* identifiedOn = nullptr;
    QString identified;
    make({}, [&](const QString& file) {
        identifiedOn = QThread::currentThread();
        identified = file;
        return QStringLiteral("sha256-ends:0123");
    });
    files.answer = path("car.jsonl");
    record.trigger();
    EXPECT_TRUE(recording->starting());
    EXPECT_FALSE(record.isEnabled());
    EXPECT_FALSE(lib.recording());
    while (recording->starting()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_TRUE(lib.recording());
    EXPECT_TRUE(record.isEnabled());
    ASSERT_NE(identifiedOn, nullptr);
    EXPECT_NE(identifiedOn, QThread::currentThread());
    EXPECT_EQ(identified, path("products.db"));
    recording->stop();
    EXPECT_TRUE(readAll(path("car.jsonl")).contains(R"("database":"sha256-ends:0123","started":"menu")"));
}

// The recording a run replays is never recorded into, by whatever name it is chosen: it may be the
// only copy of a field recording.
TEST_F(SessionRecordingMenuTest, TheReplayedRecordingIsNotRecordedInto) {
    const QString replayed = path("car.jsonl");
    QFile f(replayed);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("the field recording\n");
    f.close();
    // A hard link: one file under two names on every system (a Windows shortcut is a file of its own).
    std::error_code linkError;
    std::filesystem::create_hard_link(replayed.toStdString(), path("link.jsonl").toStdString(), linkError);
    ASSERT_FALSE(linkError) << linkError.message();
    make(replayed);
    for (const QString& chosen : {replayed, path("link.jsonl")}) {
        dialogs.shown.clear();
        files.answer = chosen;
        recordFromMenu();
        EXPECT_FALSE(lib.recording());
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text,
                  QStringLiteral("Cannot record into %1: it is the recording being replayed").arg(QDir::toNativeSeparators(chosen)));
        QString error;
        EXPECT_FALSE(recording->start(chosen, QStringLiteral("program"), &error));
        EXPECT_EQ(error, QStringLiteral("it is the recording being replayed"));
    }
    EXPECT_EQ(readAll(replayed), QByteArray("the field recording\n"));
    files.answer = path("other.jsonl");
    recordFromMenu();
    EXPECT_TRUE(lib.recording());
}

// After a saved log the recording is offered; OK saves a copy beside the log, Cancel nothing.
TEST_F(SessionRecordingMenuTest, SavedLogOffersTheRecordingBesideIt) {
    recording->offerWithLog(path("log.txt"));
    EXPECT_TRUE(dialogs.shown.empty());  // nothing recorded yet: nothing asked

    ASSERT_TRUE(recording->start(path("session.jsonl"), QStringLiteral("program"), nullptr));
    lib.USB_TX(libframe::makeFrame(kDestInterface, 0x00, nullptr, 0));
    dialogs.answers = {Dialogs::Cancel};
    recording->offerWithLog(path("log.txt"));
    EXPECT_FALSE(QFile::exists(path("log.recording.jsonl")));

    recording->offerWithLog(path("log.txt"));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text, QStringLiteral("Save the session recording with the log, as %1?")
                                         .arg(path("log.recording.jsonl")));
    EXPECT_EQ(readAll(path("log.recording.jsonl")), readAll(path("session.jsonl")));
    EXPECT_TRUE(readAll(path("log.recording.jsonl")).contains("\"ev\":\"tx\",\"data\":\"01 f1 02 02 00 02\""));
    EXPECT_TRUE(log.text().contains(QStringLiteral("Recording saved with the log: ") + QDir::toNativeSeparators(path("log.recording.jsonl"))));
}

// A recording stopped by a full disk is told in a box as well as in the status log, which the
// standard layout does not show.
TEST_F(SessionRecordingMenuTest, ARecordingStoppedByAFullDiskIsToldInABox) {
    test::SmallTmpfs fs(8);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString file = fs.filePath(QStringLiteral("car.jsonl"));
    recordExchanges(file);
    EXPECT_FALSE(lib.recording());
    QCoreApplication::processEvents();

    const QString why = QStringLiteral("Cannot write the recording %1: %2").arg(file, dravik::test::kNoSpaceReason);
    EXPECT_TRUE(log.text().contains(QStringLiteral("Recording stopped: ") + why)) << log.text().toStdString();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, QStringLiteral("Record session"));
    EXPECT_EQ(dialogs.shown[0].text,
              QStringLiteral("Recording stopped: %1\nThe lines recorded until then are kept.").arg(why));
    EXPECT_FALSE(stop.isEnabled());
    EXPECT_TRUE(field.isHidden());
}

// The copy saved with the log is written whole or not at all: on a disk without room for it, the
// earlier copy stays, and the box and the status log say why.
TEST_F(SessionRecordingMenuTest, TheRecordingCopyOnAFullDiskKeepsTheEarlierCopyAndSaysWhy) {
    test::SmallTmpfs fs(8);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString logPath = fs.filePath(QStringLiteral("log.txt"));
    const QString copy = fs.filePath(QStringLiteral("log.recording.jsonl"));
    const QByteArray earlier = "{\"t\":0,\"ev\":\"start\",\"format\":1}\n";
    QFile f(copy);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(earlier);
    f.close();
    recordExchanges(path("session.jsonl"));
    ASSERT_GT(QFileInfo(path("session.jsonl")).size(), 9000);

    recording->offerWithLog(logPath);

    EXPECT_EQ(readAll(copy), earlier);
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].text,
              QStringLiteral("Cannot save the recording to %1: %2").arg(QDir::toNativeSeparators(copy), dravik::test::kNoSpaceReason));
    EXPECT_TRUE(log.text().contains(
        QStringLiteral("Recording not saved with the log: %1: %2\r\n").arg(QDir::toNativeSeparators(copy), dravik::test::kNoSpaceReason)))
        << log.text().toStdString();
    EXPECT_FALSE(log.text().contains(QStringLiteral("Recording saved with the log")));
    EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"log.recording.jsonl"});
}

}  // namespace
}  // namespace dravik
