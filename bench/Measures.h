#pragma once
// The two timed operations of the throughput benchmarks, on a connected ControllerBench: a full
// read pass of the product's panel, and the programming of the first file protocol the module panel
// offers. Each gives its time, the floor of the same exchanges on the wire and the process CPU.
//
// The floor of one exchange is (request bytes + answer bytes) x 11 / baud + the device's turnaround
// + one USB frame each way.

#include <sys/resource.h>

#include <QComboBox>
#include <algorithm>
#include <optional>

#include "ControllerBench.h"

namespace dravik::benchsupport {

struct Timed {
    std::size_t exchanges = 0;
    long lines = 0;  // programming: the flash lines sent
    std::int64_t us = 0;
    std::int64_t floorUs = 0;
    double cpuUs = 0;  // the whole process

    double vsWire() const { return static_cast<double>(us) / static_cast<double>(floorUs); }
};

inline double processCpuUs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

inline std::int64_t exchangeFloorUs(const Exchange& e, std::uint32_t baud, std::int64_t turnaroundUs,
                                    std::int64_t usbFrameUs) {
    return sim::wireTimeUs(static_cast<std::size_t>(e.requestBytes + e.answerBytes), baud) + turnaroundUs +
           2 * usbFrameUs;
}

// Diagnostics on stderr: for each exchange the time since the previous answer (or the start) and
// its own time against its floor, in microseconds.
inline void printExchanges(const std::vector<Exchange>& exchanges, std::int64_t startUs, std::uint32_t baud,
                           const sim::BenchConfig& bench) {
    std::int64_t previousUs = startUs;
    for (const Exchange& e : exchanges) {
        std::fprintf(stderr, "%-24s after %8lld us, exchange %6lld us, floor %6lld us\n",
                     qPrintable(e.command), static_cast<long long>(e.sentUs - previousUs),
                     static_cast<long long>(e.answeredUs - e.sentUs),
                     static_cast<long long>(exchangeFloorUs(e, baud, bench.timing.productTurnaroundUs,
                                                            bench.timing.usbFrameUs)));
        previousUs = e.answeredUs;
    }
}

// From the start of the pass to the last answer taken, less the device pauses asked for.
inline std::optional<Timed> readPass(ControllerBench& b) {
    Session& s = b.controller->session();
    const sim::BenchConfig& bench = b.bench();
    b.views.exchanges.clear();
    const std::int64_t pausesBeforeUs = b.pausesUs();
    const double cpu0 = processCpuUs();
    const std::int64_t startUs = b.clock().nowUs();
    b.controller->panelOperations().ReadParameters_fnc();
    // Until the pump rests, as after a user's click: the next pass starts as the first did.
    if (!b.drive([&] { return s.machines.EnterFunctions_state == EnterFunc_WAITING && b.idle(); }) ||
        b.views.exchanges.empty()) {
        std::fprintf(stderr, "the read pass did not end\n");
        return std::nullopt;
    }
    Timed t;
    t.cpuUs = processCpuUs() - cpu0;
    t.exchanges = b.views.exchanges.size();
    t.us = b.views.exchanges.back().answeredUs - startUs - (b.pausesUs() - pausesBeforeUs);
    const std::uint32_t baud = sim::baudOfCode(bench.product.baudCode, bench.adapter.baudCode3);
    for (const Exchange& e : b.views.exchanges)
        t.floorUs += exchangeFloorUs(e, baud, bench.timing.productTurnaroundUs, bench.timing.usbFrameUs);
    if (qEnvironmentVariableIsSet("DRAVIK_EXCHANGES_VERBOSE"))
        printExchanges(b.views.exchanges, startUs, baud, bench);
    return t;
}

// From the flash unlock's request to the checksum's answer. The module's first connection must
// have ended.
inline std::optional<Timed> programFileProtocol(ControllerBench& b) {
    Session& s = b.controller->session();
    const sim::BenchConfig& bench = b.bench();
    EnterModule& module = b.controller->module();
    auto moduleDone = [&] { return s.machines.EnterModule_state == MODULE_STOPPED && b.idle(); };
    QComboBox* protocols = module.panel().combo(0);
    const int item = protocols != nullptr ? protocols->findText(QStringLiteral("*"), Qt::MatchEndsWith) : -1;
    if (item < 0) {
        std::fprintf(stderr, "no file protocol is offered\n");
        return std::nullopt;
    }
    protocols->setCurrentIndex(item);
    b.views.exchanges.clear();
    const double cpu0 = processCpuUs();
    module.SetProtocol_fnc();
    if (!b.drive(moduleDone)) {
        std::fprintf(stderr, "the programming did not end\n");
        return std::nullopt;
    }
    const double cpu = processCpuUs() - cpu0;
    const std::vector<Exchange>& ex = b.views.exchanges;
    auto at = [&ex](const char* name) {
        return std::find_if(ex.begin(), ex.end(), [name](const Exchange& e) { return e.command == QLatin1String(name); });
    };
    const auto first = at("UNLOCK_VRAK_FLASH");
    const auto last = at("VERIFY_FIRMWARE");
    if (first == ex.end() || last == ex.end()) {
        std::fprintf(stderr, "the image was not sent and verified\n");
        return std::nullopt;
    }
    Timed t;
    t.cpuUs = cpu;
    const std::uint32_t baud = sim::baudOfCode(bench.module.baudCode, bench.adapter.baudCode3);
    for (auto e = first; e <= last; ++e) {
        t.floorUs += exchangeFloorUs(*e, baud, bench.timing.moduleTurnaroundUs, bench.timing.usbFrameUs);
        ++t.exchanges;
        if (e->command == QLatin1String("SEND_DATA_SLOT")) ++t.lines;
    }
    t.us = last->answeredUs - first->sentUs;
    return t;
}

// On real time a figure is the median of five runs: a shared machine's scheduler now and then keeps
// a thread from its core for milliseconds, which says nothing of what the host itself adds. Each
// run's figure goes to stderr. Virtual time is exact: one run.
inline std::optional<Timed> medianRun(BenchTime time, const std::function<std::optional<Timed>()>& run) {
    const int runs = time == BenchTime::Real ? 5 : 1;
    std::vector<Timed> results;
    for (int i = 0; i < runs; ++i) {
        std::optional<Timed> t = run();
        if (!t) return std::nullopt;
        if (runs > 1) std::fprintf(stderr, "run %d: %.3f x\n", i + 1, t->vsWire());
        results.push_back(*t);
    }
    std::sort(results.begin(), results.end(),
              [](const Timed& a, const Timed& b) { return a.vsWire() < b.vsWire(); });
    return results[results.size() / 2];
}

// Bench changes for the real-time figures: baud code 3 at 115200, product and module answering
// at it.
inline void at115200(sim::BenchConfig& c) {
    c.adapter.baudCode3 = 115200;
    c.product.baudCode = 3;
    c.module.baudCode = 3;
}

// Runs measure on virtual time with the bench as it is (figures without suffix), then on real time
// at 115200 (figures with the suffix "_realtime_115200"); the exit status of a benchmark.
inline int measureBothTimings(
    int argc, char** argv,
    const std::function<bool(BenchTime, const char* suffix, const std::function<void(sim::BenchConfig&)>&)>& measure) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool ok = measure(BenchTime::Virtual, "", {}) && measure(BenchTime::Real, "_realtime_115200", at115200);
    return ok ? 0 : 1;
}

// Connects the bench's product, starting at the speed it answers at (where its last connection
// found it).
inline bool connectAtItsSpeed(ControllerBench& b) {
    b.controller->session().product.Prd_Speed = static_cast<std::uint8_t>(b.bench().product.baudCode);
    return b.connect();
}

// Connects a module bench and waits for the module's first reading to end.
inline bool connectModule(ControllerBench& b) {
    if (!connectAtItsSpeed(b)) return false;
    Session& s = b.controller->session();
    return b.drive([&] { return s.machines.EnterModule_state == MODULE_STOPPED && b.idle(); });
}

}  // namespace dravik::benchsupport
