// A full read pass of the sample product (identification 37) on the standard bench, on virtual
// time: how much longer it takes than the link itself needs for the same exchanges. The floor of
// one exchange is (request bytes + answer bytes) x 11 / baud + the product's turnaround + one USB
// frame each way; the device pauses the machine asks for are left out of the measured time.

#include <sqlite3.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

#include "SampleDatabase.h"
#include "app/Controller.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "sim/Wire.h"

using namespace dravik;

namespace {

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

// Counts the bytes of every logged request and answer.
struct CountingViews : LogView, Dialogs, ProgressView, ConnectionView {
    void appendLog(const QString& t) override {
        if (t.startsWith(QStringLiteral(". Data: "))) {
            request = static_cast<int>(t.mid(8).count(QLatin1Char('.')));
        } else if (t.startsWith(QStringLiteral("Rx: OK. Data: "))) {
            exchanges.emplace_back(request, static_cast<int>(t.mid(14).count(QLatin1Char('.'))));
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

    int request = 0;
    std::vector<std::pair<int, int>> exchanges;  // (request bytes, answer bytes)
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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string error;
    const auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    QTemporaryDir folder;
    if (!bench || !folder.isValid() || !benchsupport::buildSampleDatabase(folder.path())) {
        std::fprintf(stderr, "setup failed: %s\n", error.c_str());
        return 1;
    }

    VirtualClock clock;
    SimulatedInterfaceLibrary lib(clock, *bench);
    CountingViews views;
    NoRunner counter;
    NoTimer watchdog;
    BenchPump* pump = nullptr;
    ControllerDeps deps{clock,
                        lib,
                        views,
                        views,
                        views,
                        views,
                        counter,
                        watchdog,
                        [&pump](Clock& c, CommandHandler& h, LogView& l) {
                            auto p = std::make_unique<BenchPump>(c, h, l);
                            pump = p.get();
                            return std::unique_ptr<Pump>(std::move(p));
                        },
                        [] { return false; },
                        [] { return 1; },
                        [&folder] { return folder.path(); },
                        [](const QString& m) {
                            std::fprintf(stderr, "database: %s\n", qPrintable(m));
                            std::exit(1);
                        }};
    Controller controller(std::move(deps));
    Session& s = controller.session();
    s.machines.EnterFunctions_state = EnterFunc_WAITING;

    // The pump's order on virtual time, with the 100 ms tick as time passes.
    std::int64_t nextTickUs = 100000;
    auto tickTo = [&](std::int64_t t) {
        for (; nextTickUs <= t; nextTickUs += 100000) controller.timer1Tick();
    };
    auto drive = [&](const std::function<bool()>& done) {
        const std::int64_t limit = clock.nowUs() + 120'000'000;
        while (!done() && clock.nowUs() < limit) {
            if (pump->pendingUs) {
                clock.advanceTo(*pump->pendingUs);
                pump->runOnce();
            } else {
                clock.advanceTo(nextTickUs);
            }
            tickTo(clock.nowUs());
        }
        return done();
    };

    controller.iface().Restart();
    const bool connected =
        drive([&] { return s.connection.Interface_connected; }) &&
        (controller.autoConn().RebootConnectProduct(), true) && drive([&] {
            return s.product.Prd_connected == 1 && s.machines.EnterFunctions_state == EnterFunc_WAITING;
        }) &&
        drive([&] { return !controller.handler().ProcessIsInProgress(false); });
    if (!connected) {
        std::fprintf(stderr, "the product was not connected\n");
        return 1;
    }

    views.exchanges.clear();
    pump->pausesUs = 0;
    const std::int64_t startUs = clock.nowUs();
    controller.panelOperations().ReadParameters_fnc();
    if (!drive([&] { return s.machines.EnterFunctions_state == EnterFunc_WAITING; })) {
        std::fprintf(stderr, "the read pass did not end\n");
        return 1;
    }
    const std::int64_t passUs = clock.nowUs() - startUs - pump->pausesUs;

    const std::uint32_t baud = sim::baudOfCode(1, bench->adapter.baudCode3);
    std::int64_t floorUs = 0;
    for (const auto& [request, answer] : views.exchanges)
        floorUs += sim::wireTimeUs(static_cast<std::size_t>(request + answer), baud) +
                   bench->timing.productTurnaroundUs + 2 * std::int64_t{bench->timing.usbFrameUs};
    if (floorUs <= 0) {
        std::fprintf(stderr, "no exchanges\n");
        return 1;
    }
    std::printf("read_pass_exchanges: %zu count\n", views.exchanges.size());
    std::printf("read_pass_virtual: %.1f ms\n", static_cast<double>(passUs) / 1000.0);
    std::printf("read_pass_wire_floor: %.1f ms\n", static_cast<double>(floorUs) / 1000.0);
    std::printf("read_pass_vs_wire: %.3f x\n", static_cast<double>(passUs) / static_cast<double>(floorUs));
    return 0;
}
