// Session recordings at their limits, on real time:
// - loading a recording for --replay (read, checked, events placed, the replay built) for files of
//   8 to 64 MiB, the largest a replay reads; a per-line figure that stays flat is linear growth;
// - taking the product database's identity for a recording, for a database of 16 MiB and of 2 GiB
//   (a sparse file: what is measured is the program's work, not the disk's);
// - "Record session…" with the 2 GiB database: how long the window's thread is held by the click,
//   and how long until the recording runs.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "app/SessionRecording.h"
#include "link/Clock.h"
#include "link/RecordingLibrary.h"
#include "link/ReplayInterfaceLibrary.h"
#include "sim/Recording.h"

using namespace dravik;

namespace {

// A long session: requests and answers, with the adapter's count changing now and then long after
// the one notification at the start. Each such change is placed at that notification: the case
// that made the load quadratic when every change was inserted into the events already read.
bool writeRecording(const QString& path, std::size_t bytes, std::size_t& lines) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    std::string text =
        R"({"t":0,"ev":"start","format":1,"program":"Dravik 10.0.0","backend":"usb","database":"none","started":"program"})"
        "\n"
        R"({"t":10,"ev":"notify"})"
        "\n"
        R"({"t":20,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":1})"
        "\n";
    lines = 3;
    std::int64_t t = 100;
    for (std::size_t i = 0; text.size() < bytes - 200; ++i, t += 1000) {
        std::string line;
        if (i % 97 == 96) {
            line = R"({"t":)" + std::to_string(t) + R"(,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":)" +
                   std::to_string(1 + (i / 97) % 2) + "}\n";
        } else if (i % 2 == 0) {
            line = R"({"t":)" + std::to_string(t) +
                   R"(,"ev":"tx","data":"01 f2 02 03 01 10 14"})"
                   "\n";
        } else {
            line = R"({"t":)" + std::to_string(t) +
                   R"(,"ev":"rx","data":"01 f2 02 05 01 10 02 00 1a"})"
                   "\n";
        }
        text += line;
        ++lines;
    }
    return f.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
           f.flush();
}

bool measureReplayLoad(const QTemporaryDir& dir) {
    for (const std::size_t mib : {8u, 16u, 32u, 64u}) {
        const QString path = dir.filePath(QStringLiteral("replay-%1.jsonl").arg(mib));
        std::size_t lines = 0;
        const std::size_t bytes = std::min<std::size_t>(mib << 20, sim::kMaxRecordingBytes);
        if (!writeRecording(path, bytes, lines)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return false;
        }
        QElapsedTimer timer;
        timer.start();
        QString error;
        auto recording = readRecordingFile(path, &error);
        if (!recording) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return false;
        }
        RealClock clock;
        const ReplayInterfaceLibrary replay(clock, std::move(*recording));
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        std::printf("replay_load_%zumib: %.0f ms\n", mib, ms);
        std::printf("replay_load_per_line_%zumib: %.2f us\n", mib, ms * 1000.0 / static_cast<double>(lines));
        if (mib == 64) std::printf("replay_load_64mib_exchanges: %d exchanges\n", replay.exchangesRecorded());
        QFile::remove(path);
    }
    return true;
}

bool sparseFile(const QString& path, qint64 size) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write("SQLite format 3", 16) == 16 && f.resize(size);
}

class NoFiles : public FileDialogs {
  public:
    QString chooseFile(const FileDialogRequest&) override { return answer; }
    QString answer;
};

class NoLog : public LogView {
  public:
    void appendLog(const QString&) override {}
};

class NoDialogs : public Dialogs {
  public:
    Answer message(const QString&, const QString&, Buttons, Icon) override { return Ok; }
};

bool measureDatabaseIdentity(const QTemporaryDir& dir) {
    for (const auto& [name, size] :
         {std::pair{"16mib", qint64{16} << 20}, std::pair{"2gib", qint64{2} << 30}}) {
        const QString db = dir.filePath(QStringLiteral("products-%1.db").arg(QLatin1String(name)));
        if (!sparseFile(db, size)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(db));
            return false;
        }
        QElapsedTimer timer;
        timer.start();
        const QString id = databaseIdentity(db);
        std::printf("record_start_database_identity_%s: %.1f ms\n", name,
                    static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (id == kNoDatabaseIdentity) {
            std::fprintf(stderr, "no identity for %s\n", qPrintable(db));
            return false;
        }
    }

    // "Record session…" with the 2 GiB database.
    RealClock clock;
    struct Idle : ExchangeLibrary {
        explicit Idle(Clock& c) : ExchangeLibrary(c) {}
        int BSL_NumOfUSBDevices(std::uint16_t, std::uint16_t) override { return 0; }
        int BSL_RegisterUSBDeviceNotification(std::function<void()>) override { return 0; }
        void BSL_UnRegisterUSBDeviceNotification() override {}
        void BSL_setFamily(int) override {}
        void BSL_setCom(int) override {}
        int BSL_initialize_BSL(const char*) override { return 2; }
        void USB_TX(dataBuffer) override {}
        bool USB_RX(dataBuffer*) override { return false; }
    } idle(clock);
    RecordingLibrary lib(clock, idle);
    QAction record;
    QAction stop;
    QLabel field;
    NoLog log;
    NoDialogs dialogs;
    NoFiles files;
    files.answer = dir.filePath(QStringLiteral("menu.jsonl"));
    const QString db = dir.filePath(QStringLiteral("products-2gib.db"));
    SessionRecording recording({lib, &record, &stop, &field, log, dialogs, files, QStringLiteral("usb"),
                                [db] { return db; }, [&dir] { return dir.path(); }});
    QElapsedTimer timer;
    timer.start();
    record.trigger();
    const double heldMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    while (!lib.recording() && timer.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double startedMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    std::printf("record_menu_window_held_2gib_database: %.1f ms\n", heldMs);
    std::printf("record_menu_recording_after_2gib_database: %.1f ms\n", startedMs);
    recording.stop();
    return lib.path() == files.answer;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) return 1;
    return measureReplayLoad(dir) && measureDatabaseIdentity(dir) ? 0 : 1;
}
