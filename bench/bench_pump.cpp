// Pump figures: exchanges per second with an instant device, and the CPU the whole process uses
// while it waits on a device that answers after 20 ms.
#include <sys/resource.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

#include "PumpLoop.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {
double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    {
        PumpLoop loop(instantBench());
        loop.run(200);  // warm-up
        PumpLoop measured(instantBench());
        const auto t0 = std::chrono::steady_clock::now();
        const long n = measured.run(2000);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        std::printf("pump_exchanges_per_s: %.0f exchanges/s\n", static_cast<double>(n) / s);
        std::printf("pump_cost_per_exchange: %.2f us\n", s * 1e6 / static_cast<double>(n));
    }
    {
        sim::BenchConfig slow = instantBench();
        slow.faults.extraDelayUs = 20000;
        PumpLoop loop(slow);
        const double cpu0 = processCpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        const long n = loop.run(3000);
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpu = processCpuSeconds() - cpu0;
        std::printf("wait_cpu_percent: %.2f %% of one core (%ld exchanges of 20 ms)\n", 100.0 * cpu / wall, n);
    }
    return 0;
}
