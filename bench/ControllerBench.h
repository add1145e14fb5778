#pragma once
// The whole controller on virtual time against a simulated bench, for the benchmarks: the pump's
// order with the 100 ms tick, views that count the bytes and note the time of every logged request
// and answer, and the sample product database in a temporary folder. The device pauses the
// machines ask for are summed apart, so they can be left out of a measured time.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>
#include <optional>

#include "SampleDatabase.h"
#include "app/Controller.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "sim/Wire.h"

namespace dravik::benchsupport {

// Device pauses are long; the pump's own pacing of idle cycles asks for 1 ms.
constexpr int kShortestDevicePauseMs = 100;

class BenchPump final : public Pump {
  public:
    using Pump::Pump;
    std::optional<std::int64_t> pendingUs;
    std::int64_t pausesUs = 0;
    void hold(int ms) override {
        if (ms >= kShortestDevicePauseMs) pausesUs += std::int64_t{ms} * 1000;
        Pump::hold(ms);
    }
    void runOnce() {
        pendingUs.reset();
        beginRun();
        runOnWorker();
        afterRun();
    }

  protected:
    void scheduleRun(std::int64_t atUs) override { pendingUs = atUs; }
};

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

// The controller on the bench of a sample bench file, with its product connected.
class ControllerBench {
  public:
    // Loads the bench file (a name in data/benches); false with a message on stderr.
    bool load(const char* benchName) {
        std::string error;
        bench_ = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + benchName, error);
        if (!bench_ || !folder.isValid() || !buildSampleDatabase(folder.path())) {
            std::fprintf(stderr, "setup failed: %s\n", error.c_str());
            return false;
        }
        lib_ = std::make_unique<SimulatedInterfaceLibrary>(clock, *bench_);
        ControllerDeps deps{clock,
                            *lib_,
                            views,
                            views,
                            views,
                            views,
                            counter_,
                            watchdog_,
                            [this](Clock& c, CommandHandler& h, LogView& l) {
                                auto p = std::make_unique<BenchPump>(c, h, l);
                                pump = p.get();
                                return std::unique_ptr<Pump>(std::move(p));
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

    // Runs the pump's order on virtual time until done holds (at most two minutes).
    bool drive(const std::function<bool()>& done) {
        const std::int64_t limit = clock.nowUs() + 120'000'000;
        while (!done() && clock.nowUs() < limit) {
            if (pump->pendingUs) {
                clock.advanceTo(*pump->pendingUs);
                pump->runOnce();
            } else {
                clock.advanceTo(nextTickUs_);
            }
            for (; nextTickUs_ <= clock.nowUs(); nextTickUs_ += 100000) controller->timer1Tick();
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

    QTemporaryDir folder;
    VirtualClock clock;
    CountingViews views{clock};
    BenchPump* pump = nullptr;
    std::unique_ptr<Controller> controller;

  private:
    std::optional<sim::BenchConfig> bench_;
    std::unique_ptr<SimulatedInterfaceLibrary> lib_;
    NoRunner counter_;
    NoTimer watchdog_;
    std::int64_t nextTickUs_ = 100000;
};

}  // namespace dravik::benchsupport
