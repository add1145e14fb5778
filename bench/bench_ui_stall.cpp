// The window on the standard simulated bench with real threads and real time: how long the
// program takes to show its window (startup_ms), and the longest time its event loop does not turn
// while it connects the adapter and the product, reads the panel, reads all and sets all
// (ui_stall_max_ms: the largest lateness of a 1 ms timer). Every device pause must be a pump hold,
// never a sleep on the window's thread.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "SampleDatabase.h"
#include "app/DownloadView.h"
#include "script/ScriptControls.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"

using namespace dravik;

namespace {

// The largest gap between two turns of a 1 ms timer, less the 1 ms.
class StallMeter {
  public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            worstNs_ = std::max(worstNs_, now - lastNs_);
            lastNs_ = now;
        });
    }
    void start() {
        clock_.start();
        lastNs_ = 0;
        timer_.start();
    }
    void stop() { timer_.stop(); }
    double worstLatenessMs() const { return std::max(0.0, static_cast<double>(worstNs_) / 1e6 - 1.0); }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 lastNs_ = 0;
    qint64 worstNs_ = 0;
};

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// A click that lands while the automatic connection still holds the handler may start nothing;
// the technician clicks again.
void clickUntilSent(QPushButton* button, DownloadView& window, qsizetype from) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        button->click();
        if (waitFor([&] { return window.logText().indexOf(QStringLiteral("TX command: "), from) >= 0; },
                    2000)) {
            if (attempt > 0)
                std::fprintf(stderr, "%s started only at click %d\n", qPrintable(button->objectName()),
                             attempt + 1);
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir folder;
    // An existing data folder: the first connection shows no message box that would wait for a click.
    if (!folder.isValid() || !QDir(folder.path()).mkpath(QStringLiteral("data/protocols")) ||
        !benchsupport::buildSampleDatabase(folder.path())) {
        std::fprintf(stderr, "setup failed\n");
        return 1;
    }
    qputenv("DRAVIK_DATA_DIR", QDir(folder.path()).filePath(QStringLiteral("data")).toLocal8Bit());

    QApplication app(argc, argv);
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    if (!bench) {
        std::fprintf(stderr, "bench: %s\n", error.c_str());
        return 1;
    }
    RealClock clock;
    SimulatedInterfaceLibrary lib(clock, std::move(*bench));
    DownloadView window(clock, lib);
    window.setDatabaseFolder(folder.path());
    window.show();
    waitFor([&] { return window.windowHandle() != nullptr && window.windowHandle()->isExposed(); }, 10000);
    const qint64 startupMs = sinceStart.elapsed();

    StallMeter meter;
    meter.start();
    auto idleAfter = [&](qsizetype from, const char* marker) {
        return [&window, from, marker] {
            const QString tail = window.logText().mid(from);
            const qsizetype at = tail.indexOf(QLatin1String(marker));
            return at >= 0 && tail.indexOf(QStringLiteral("Stop thread"), at) >= 0 &&
                   !window.controller().handler().ProcessIsInProgress(false);
        };
    };
    const char* stage = "connect";
    bool ok = waitFor(idleAfter(0, "Found product"), 60000);
    if (ok) {
        stage = "read all";
        // The technician turns the automatic connection off before working on the panel, so its
        // identification polls do not interleave with the operations.
        window.ui().checkBoxAutoConn->setChecked(false);
        const qsizetype from = window.logText().size();
        clickUntilSent(window.ui().buttonReadAll, window, from);
        ok = waitFor(idleAfter(from, "TX command: MEMORY_READ"), 60000);
    }
    if (ok) {
        stage = "set all";
        auto* combo = window.findChild<QComboBox*>(QStringLiteral("comboBox_Function_1"));
        ok = combo != nullptr &&
             scripting::selectInControl(combo, combo->objectName(), -1, QStringLiteral("Off")).isDone();
        const qsizetype from = window.logText().size();
        clickUntilSent(window.ui().buttonSetAll, window, from);
        ok = ok && waitFor(idleAfter(from, "TX command: MEMORY_WRITE_write"), 60000);
    }
    meter.stop();
    if (!ok) {
        std::fprintf(stderr, "%s did not finish; the log ends:\n%s\n", stage,
                     qPrintable(window.logText().right(1500)));
        return 1;
    }
    std::printf("startup_ms: %lld ms\n", static_cast<long long>(startupMs));
    std::printf("ui_stall_max_ms: %.1f ms\n", meter.worstLatenessMs());
    return 0;
}
