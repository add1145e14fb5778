// The window on simulated benches with real threads and real time, timed from poll to poll on its
// thread (PollGaps.h): the longest time the window does not look at its input, per scripted
// session, after the window's first paint. Start-up is given apart: from the program's start to
// its first paint, and the longest gap before it.
//
// A probe session first plants a 100 ms sleep in a slot: the meter must see it, or the figures
// below mean nothing and the benchmark fails.
//
// Sessions are scripts of the program's own language. Here `bench NAME` does not replace the bench:
// it changes the running bench's faults as NAME says (see benchChange). DRAVIK_STALL_SESSION=NAME
// runs that session alone (after the probe); DRAVIK_STALL_VERBOSE=1 shows what the scripts print.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "PollGaps.h"
#include "ProductRows.h"
#include "SampleDatabase.h"
#include "app/DownloadView.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "script/ScriptRunner.h"
#include "sim/Bench.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {

struct StallSession {
    const char* name;
    const char* benchFile;                          // in data/benches
    std::function<void(sim::BenchConfig&)> adjust;  // may be empty
    QString script;
};

// What a session's `bench NAME` does to the running bench.
QString benchChange(SimulatedInterfaceLibrary& lib, const QString& name) {
    if (name == QLatin1String("answers-600ms-late")) {
        lib.withBench([](sim::Bench& b) { b.config().faults.extraDelayUs = 600000; });
        return QString();
    }
    return QStringLiteral("unknown bench change ") + name;
}

// Marks the first paint of a window, and leaves the event loop once it is done.
class FirstPaint : public QObject {
  public:
    explicit FirstPaint(QEventLoop& loop) : loop_(loop) {}
    bool painted = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            QTimer::singleShot(0, &loop_, &QEventLoop::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QEventLoop& loop_;
};

struct Figures {
    double startupMs = 0;        // the program's start to this window's first paint done
    double firstPaintMs = 0;     // show() to first paint done
    double firstPaintGapMs = 0;  // the longest gap before it
    double sessionGapMs = 0;     // the longest gap after it
    bool ok = false;
};

class Runner {
  public:
    Runner(QString folder, const QElapsedTimer& sinceStart) : folder_(std::move(folder)), sinceStart_(sinceStart) {}

    // Runs one session in a window of its own; before the script starts, plant runs once (the
    // probe's stall).
    Figures run(const StallSession& s, const std::function<void()>& plant = {}) {
        Figures f;
        std::string error;
        auto config = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + s.benchFile, error);
        if (!config) {
            std::fprintf(stderr, "%s: bench: %s\n", s.name, error.c_str());
            return f;
        }
        if (s.adjust) s.adjust(*config);
        SimulatedInterfaceLibrary lib(clock_, std::move(*config));
        DownloadView window(clock_, lib);
        window.setDatabaseFolder(folder_);
        ScriptHooks hooks;
        hooks.logText = [&window] { return window.logText(); };
        hooks.logGeneration = [&window] { return window.logGeneration(); };
        hooks.busy = [&window] { return window.controller().handler().panelOperationRunning(); };
        hooks.setPlugged = [&lib](bool on) { lib.setPlugged(on); };
        hooks.switchBench = [&lib](const QString& name) { return benchChange(lib, name); };
        ScriptRunner runner(&window, hooks);
        const bool verbose = qEnvironmentVariableIsSet("DRAVIK_STALL_VERBOSE");
        QElapsedTimer sessionClock;
        runner.setPrinters(
            [&](const QString& t) {
                if (verbose && sessionClock.isValid())
                    std::fprintf(stderr, "%s %.1f> %s", s.name, static_cast<double>(sessionClock.nsecsElapsed()) / 1e6,
                                 qPrintable(t));
            },
            [&s](const QString& t) { std::fprintf(stderr, "%s: %s", s.name, qPrintable(t)); });
        window.setScriptRunner(&runner);

        QElapsedTimer shown;
        {
            QEventLoop loop;
            FirstPaint paint(loop);
            window.installEventFilter(&paint);
            pollgaps::reset();
            shown.start();
            window.show();
            QTimer::singleShot(10000, &loop, &QEventLoop::quit);
            if (!paint.painted) loop.exec();
            window.removeEventFilter(&paint);
            f.firstPaintMs = static_cast<double>(shown.nsecsElapsed()) / 1e6;
            f.startupMs = static_cast<double>(sinceStart_.nsecsElapsed()) / 1e6;
            f.firstPaintGapMs = pollgaps::maxGapMs();
            if (!paint.painted) {
                std::fprintf(stderr, "%s: the window was not painted\n", s.name);
                return f;
            }
        }

        pollgaps::reset();
        sessionClock.start();
        if (plant) QTimer::singleShot(50, plant);
        QEventLoop loop;
        QObject::connect(&runner, &ScriptRunner::finished, &loop, &QEventLoop::exit);
        runner.startText(s.script);
        const int code = loop.exec();
        f.sessionGapMs = pollgaps::maxGapMs();
        if (verbose)
            for (const pollgaps::Gap& g : pollgaps::longGaps())
                std::fprintf(stderr, "%s: a gap of %.1f ms at %.1f ms\n", s.name, g.lengthMs, g.atMs);
        window.setScriptRunner(nullptr);
        if (pollgaps::polls() == 0) {
            std::fprintf(stderr, "%s: the window's thread was never seen polling\n", s.name);
            return f;
        }
        if (code != 0) {
            std::fprintf(stderr, "%s: the script ended with status %d; the log ends:\n%s\n", s.name, code,
                         qPrintable(window.logText().right(1500)));
            return f;
        }
        f.ok = true;
        return f;
    }

  private:
    QString folder_;
    const QElapsedTimer& sinceStart_;
    RealClock clock_;
};

// The technician turns the automatic connection off once the product is found, so that its checks
// do not interleave with the operations, and waits for the connection's own read to end.
const char* const kConnected =
    "wait-log \"Found product\" 30000\n"
    "click checkBoxAutoConn\n"
    "expect checkBoxAutoConn checked \"false\"\n"
    "wait-idle 60000\n"
    "wait 200\n";

std::vector<StallSession> sessions(int rowsIdentification) {
    const QString firmware = QStringLiteral(DRAVIK_SOURCE_DIR "/data/firmware/good.fmd");
    return {
        {"connect_read_set", "standard.json", {},
         QString::fromLatin1(kConnected) +
             "click buttonReadAll\n"
             "wait-log \"TX command: MEMORY_READ\" 10000\n"
             "wait-idle 30000\n"
             "select comboBox_Function_1 \"Off\"\n"
             "click buttonSetAll\n"
             "wait-log \"TX command: MEMORY_WRITE_write\" 15000\n"
             "wait-idle 30000\n"
             "quit\n"},
        {"test_page_silent_product", "standard.json",
         [](sim::BenchConfig& c) { c.product.present = false; },
         "wait-log \"TX command: INTERFACE IDENTIFICATION\" 15000\n"
         "wait-log \"Rx: OK\" 5000\n"
         "click checkBoxAutoConn\n"
         "wait-log \"Stop thread\" 5000\n"
         "wait 200\n"
         "tab \"Test\"\n"
         "click button_Mbus_ID_Request\n"
         "wait-log \"Product ID request: RX error 1!\" 5000\n"
         "click button_Send_Mbus_Setup_Req\n"
         "wait-log \"Operative mode\" 5000\n"
         "click button_Wi_ID_Request\n"
         "wait-log \"Logic number\" 5000\n"
         "click button_Send_Wi_Setup_Req\n"
         "wait-log \"Channel group\" 5000\n"
         "click button_Mbus_ID_Request\n"
         "wait-log \"Product ID request: RX error 1!\" 5000\n"
         "quit\n"},
        {"boot_mode_600ms_late", "standard.json", {},
         "wait-log \"TX command: INTERFACE IDENTIFICATION\" 15000\n"
         "wait-log \"Rx: OK\" 5000\n"
         "tab \"Interface programmer\"\n"
         "choose-file \"" + firmware + "\"\n"
         "click btnBrowse\n"
         "wait 300\n"
         "bench answers-600ms-late\n"
         "click button_UpgradeFirmware\n"
         "wait-until button_UpgradeFirmware enabled \"true\" 5000\n"
         "expect-message \"did not accept the restart\"\n"
         "quit\n"},
        {"rows_255", "standard.json",
         [rowsIdentification](sim::BenchConfig& c) {
             c.product.identification = {0, static_cast<std::uint8_t>(rowsIdentification), 1, 0};
             c.adapter.baudCode3 = 115200;
             c.product.baudCode = 3;
         },
         QString::fromLatin1(kConnected) +
             "click buttonReadAll\n"
             "wait-log \"TX command: MEMORY_READ\" 10000\n"
             "wait-idle 60000\n"
             "quit\n"},
        {"programming", "vrak1-direct.json", {},
         "wait-log \"Found product\" 30000\n"
         "wait-log \"TX command: ACTUAL_SLOT_CONFIGURATION\" 30000\n"
         "click checkBoxAutoConn\n"
         "wait-idle 30000\n"
         "wait 200\n"
         "select comboBox_Module_0 \"32  D  CAN DEMO 250    ver. 1 *\"\n"
         "click button_SetProtocol\n"
         "wait-log \"TX command: UNLOCK_VRAK_FLASH\" 10000\n"
         "wait-log \"TX command: VERIFY_FIRMWARE\" 60000\n"
         "wait-log \"TX command: ACTUAL_SLOT_CONFIGURATION\" 10000\n"
         "wait-idle 10000\n"
         "quit\n"},
        {"firmware_upgrade", "standard.json", {},
         "wait-log \"TX command: INTERFACE IDENTIFICATION\" 15000\n"
         "wait-log \"Rx: OK\" 5000\n"
         "tab \"Interface programmer\"\n"
         "choose-file \"" + firmware + "\"\n"
         "click btnBrowse\n"
         "click button_UpgradeFirmware\n"
         "wait-log \"Wait while rebooting...\" 5000\n"
         "wait-log \"Memory successfully verified\" 60000\n"
         "wait-log \"Done!\" 10000\n"
         "expect-message \"Download OK !\"\n"
         "wait-until StatusLabel_interface text \"Interface ID: 12, ver. 5, subver. 0\" 30000\n"
         "quit\n"},
    };
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    pollgaps::watchThisThread();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    const QString data = QDir(folder.path()).filePath(QStringLiteral("data"));
    // An existing data folder (no first-start message box), the developer layout (the test page),
    // a protocol file to program, and the sample database with a product of 255 rows.
    constexpr int kRows = 255;
    QFile developer(QDir(data).filePath(QStringLiteral("Developer.txt")));
    if (!folder.isValid() || !QDir(data).mkpath(QStringLiteral("protocols")) ||
        !developer.open(QIODevice::WriteOnly) ||
        !QFile::copy(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols/VRAK1-CAN-DEMO.txt"),
                     QDir(data).filePath(QStringLiteral("protocols/VRAK1-CAN-DEMO.txt"))) ||
        !buildSampleDatabase(folder.path()) || !addProductsWithRows(folder.path(), {kRows})) {
        std::fprintf(stderr, "setup failed\n");
        return 1;
    }
    developer.close();
    qputenv("DRAVIK_DATA_DIR", data.toLocal8Bit());

    QApplication app(argc, argv);
    Runner runner(folder.path(), sinceStart);

    // The probe: a 100 ms sleep in a slot while the window idles.
    const Figures probe = runner.run({"probe", "standard.json", {}, "wait 400\nquit\n"},
                                     [] { QThread::msleep(100); });
    if (!probe.ok || probe.sessionGapMs < 100.0) {
        std::fprintf(stderr, "the poll-to-poll meter missed a planted 100 ms stall (saw %.1f ms)\n",
                     probe.sessionGapMs);
        return 1;
    }
    std::printf("startup_ms: %.1f ms (the program's start to its first paint)\n", probe.startupMs);
    std::printf("startup_first_paint_ms: %.1f ms (show to first paint)\n", probe.firstPaintMs);
    std::printf("ui_stall_probe_ms: %.1f ms (a 100 ms sleep planted in a slot)\n", probe.sessionGapMs);

    double worst = 0;
    double worstFirstPaint = probe.firstPaintGapMs;
    bool ok = true;
    for (const StallSession& s : sessions(kFirstRowsIdentification)) {
        if (qEnvironmentVariableIsSet("DRAVIK_STALL_SESSION") && qgetenv("DRAVIK_STALL_SESSION") != s.name) continue;
        const Figures f = runner.run(s);
        ok = ok && f.ok;
        worst = std::max(worst, f.sessionGapMs);
        worstFirstPaint = std::max(worstFirstPaint, f.firstPaintGapMs);
        std::printf("ui_stall_%s_ms: %.1f ms%s\n", s.name, f.sessionGapMs, f.ok ? "" : " (the session failed)");
    }
    std::printf("startup_stall_max_ms: %.1f ms (the longest gap before a window's first paint)\n", worstFirstPaint);
    std::printf("ui_stall_max_ms: %.1f ms\n", worst);
    return ok ? 0 : 1;
}
