#pragma once
// The whole controller against a simulated bench, for the benchmarks: views that count the bytes
// and note the time of every logged request and answer, and the sample product database in a
// temporary folder. On virtual time it runs the pump's order with the 100 ms tick; on real time
// it runs as the window does (the threaded pump, the event loop, a 100 ms timer). The device
// pauses the machines ask for are summed apart, so they can be left out of a measured time.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

#include "SampleDatabase.h"
#include "app/Controller.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "link/ThreadedPump.h"
#include "sim/Wire.h"

namespace dravik::benchsupport {

// Device pauses are long; the pump's own pacing of idle cycles asks for 1 ms.
constexpr int kShortestDevicePauseMs = 100;

// A pump driver that sums the device pauses asked of it.
template <typename Driver>
class PauseCounting : public Driver {
  public:
    using Driver::Driver;
    std::int64_t pausesUs = 0;
    void hold(int ms) override {
        if (ms >= kShortestDevicePauseMs) pausesUs += std::int64_t{ms} * 1000;
        Driver::hold(ms);
    }
};

// The pump's order on virtual time: each run is made by ControllerBench::drive.
class VirtualPump : public Pump {
  public:
    using Pump::Pump;
    std::optional<std::int64_t> pendingUs;
    void runOnce() {
        pendingUs.reset();
        beginRun();
        runHandlerStep();
        afterRun();
    }

  protected:
    void scheduleRun(std::int64_t atUs) override { pendingUs = atUs; }
};

using BenchPump = PauseCounting<VirtualPump>;
using RealTimePump = PauseCounting<ThreadedPump>;

// One answered exchange as the status log shows it.
struct Exchange {
    QString command;  // the request's log name
    int requestBytes = 0;
    int answerBytes = 0;
    std::int64_t sentUs = 0;
    std::int64_t answeredUs = 0;
};

// Counts the bytes of every logged request and answer.
struct CountingViews : LogView, Dialogs, ProgressView, ConnectionView {
    explicit CountingViews(Clock& clock) : clock_(clock) {}
    void appendLog(const QString& t) override {
        if (t.startsWith(QStringLiteral("TX command: "))) {
            pending = Exchange{t.mid(12).trimmed(), 0, 0, clock_.nowUs(), 0};
        } else if (t.startsWith(QStringLiteral(". Data: "))) {
            pending.requestBytes = static_cast<int>(t.mid(8).count(QLatin1Char('.')));
        } else if (t.startsWith(QStringLiteral("Rx: OK. Data: "))) {
            pending.answerBytes = static_cast<int>(t.mid(14).count(QLatin1Char('.')));
            pending.answeredUs = clock_.nowUs();
            exchanges.push_back(pending);
        }
    }
    Answer message(const QString& text, const QString&, Buttons, Icon) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return Ok;
    }
    void setProgressText(const QString&, bool) override {}
    void setProgressValue(int) override {}
    void setUsbField(const QString&, Tone) override {}
    void setInterfaceField(const QString&, Tone) override {}
    void setModeField(const QString&) override {}
    void setConnectMenusEnabled(bool) override {}
    void removeProtocolAndLogPages() override {}
    void showEventsLogPage() override {}
    void setReadSetAllEnabled(bool) override {}
    bool testPageSelected() const override { return false; }
    void setProductLabel(const QString&, Tone) override {}
    void setModuleLabel(const QString&, Tone) override {}
    void addProductMenu(const QString&, int) override {}
    void addModuleMenu(const QString&) override {}
    void setFileButtonsEnabled(bool) override {}
    void clearForm() override {}
    void resetTools() override {}
    void resetTestPage() override {}

    Exchange pending;
    std::vector<Exchange> exchanges;

  private:
    Clock& clock_;
};

struct NoRunner : AsyncRunner {
    bool isBusy() const override { return false; }
    void start(std::function<int()>, std::function<void(int)>, int) override {}
};

struct NoTimer : OneShotTimer {
    void start(int) override {}
    void stop() override {}
    bool isActive() const override { return false; }
};

enum class BenchTime { Virtual, Real };

// The controller on the bench of a sample bench file, with its product connected.
class ControllerBench {
    // First: the views below take the clock.
    BenchTime time_;
    RealClock realClock_;

  public:
    explicit ControllerBench(BenchTime time = BenchTime::Virtual) : time_(time) {}

    // Loads the bench file (a name in data/benches), changed by adjust; false with a message on
    // stderr.
    bool load(const char* benchName, const std::function<void(sim::BenchConfig&)>& adjust = {}) {
        std::string error;
        bench_ = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + benchName, error);
        if (!bench_ || !folder.isValid() || !buildSampleDatabase(folder.path()) ||
            (prepareDatabase && !prepareDatabase(folder.path()))) {
            std::fprintf(stderr, "setup failed: %s\n", error.c_str());
            return false;
        }
        if (adjust) adjust(*bench_);
        lib_ = std::make_unique<SimulatedInterfaceLibrary>(clock(), *bench_);
        ControllerDeps deps{clock(),
                            *lib_,
                            views,
                            views,
                            views,
                            views,
                            counter_,
                            watchdog_,
                            [this](Clock& c, CommandHandler& h, LogView& l) -> std::unique_ptr<Pump> {
                                if (time_ == BenchTime::Real) {
                                    auto p = std::make_unique<RealTimePump>(c, h, l);
                                    realPump_ = p.get();
                                    return p;
                                }
                                auto p = std::make_unique<BenchPump>(c, h, l);
                                pump = p.get();
                                return p;
                            },
                            [] { return false; },
                            [] { return 1; },
                            [this] { return folder.path(); },
                            [](const QString& m) {
                                std::fprintf(stderr, "database: %s\n", qPrintable(m));
                                std::exit(1);
                            },
                            [this] { return protocolsFolder(); }};
        controller = std::make_unique<Controller>(std::move(deps));
        controller->session().machines.EnterFunctions_state = EnterFunc_WAITING;
        return true;
    }

    QString protocolsFolder() const { return QDir(folder.path()).filePath(QStringLiteral("protocols")); }
    const sim::BenchConfig& bench() const { return *bench_; }
    Clock& clock() { return time_ == BenchTime::Real ? static_cast<Clock&>(realClock_) : virtualClock; }

    // The device pauses asked for so far.
    std::int64_t pausesUs() const { return realPump_ != nullptr ? realPump_->pausesUs : pump->pausesUs; }

    // Runs until done holds (at most two minutes): on virtual time the pump's order, on real time
    // the event loop.
    bool drive(const std::function<bool()>& done) {
        if (time_ == BenchTime::Real) return driveRealTime(done);
        const std::int64_t limit = virtualClock.nowUs() + 120'000'000;
        while (!done() && virtualClock.nowUs() < limit) {
            if (pump->pendingUs) {
                virtualClock.advanceTo(*pump->pendingUs);
                pump->runOnce();
            } else {
                virtualClock.advanceTo(nextTickUs_);
            }
            for (; nextTickUs_ <= virtualClock.nowUs(); nextTickUs_ += 100000) controller->timer1Tick();
        }
        return done();
    }

    bool idle() { return !controller->handler().ProcessIsInProgress(false); }

    // The adapter is identified, then the product, and the first connection's work ends.
    bool connect() {
        Session& s = controller->session();
        controller->iface().Restart();
        const bool ok =
            drive([&] { return s.connection.Interface_connected; }) &&
            (controller->autoConn().RebootConnectProduct(), true) && drive([&] {
                return s.product.Prd_connected == 1 && s.machines.EnterFunctions_state == EnterFunc_WAITING;
            }) &&
            drive([&] { return idle(); });
        if (!ok) std::fprintf(stderr, "the product was not connected\n");
        return ok;
    }

    // Changes the sample database in the folder before the controller opens it.
    std::function<bool(const QString& folder)> prepareDatabase;
    QTemporaryDir folder;
    VirtualClock virtualClock;
    CountingViews views{clock()};
    BenchPump* pump = nullptr;
    std::unique_ptr<Controller> controller;

  private:
    // The window's 100 ms tick, and a look at done every few milliseconds (the event loop is
    // otherwise left to the pump).
    bool driveRealTime(const std::function<bool()>& done) {
        QEventLoop loop;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [this] { controller->timer1Tick(); });
        tick.start(100);
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (done()) loop.quit();
        });
        look.start(5);
        QTimer::singleShot(120'000, &loop, &QEventLoop::quit);
        if (!done()) loop.exec();
        return done();
    }

    RealTimePump* realPump_ = nullptr;
    std::optional<sim::BenchConfig> bench_;
    std::unique_ptr<SimulatedInterfaceLibrary> lib_;
    NoRunner counter_;
    NoTimer watchdog_;
    std::int64_t nextTickUs_ = 100000;
};

}  // namespace dravik::benchsupport
