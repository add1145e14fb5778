// A full read pass of the sample product (identification 37) on the standard bench, on virtual
// time: how much longer it takes than the link itself needs for the same exchanges. The floor of
// one exchange is (request bytes + answer bytes) x 11 / baud + the product's turnaround + one USB
// frame each way; the device pauses the machine asks for are left out of the measured time.

#include "ControllerBench.h"

using namespace dravik;
using namespace dravik::benchsupport;

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ControllerBench b;
    if (!b.load("standard.json") || !b.connect()) return 1;
    Session& s = b.controller->session();

    b.views.exchanges.clear();
    b.pump->pausesUs = 0;
    const std::int64_t startUs = b.clock.nowUs();
    b.controller->panelOperations().ReadParameters_fnc();
    if (!b.drive([&] { return s.machines.EnterFunctions_state == EnterFunc_WAITING; })) {
        std::fprintf(stderr, "the read pass did not end\n");
        return 1;
    }
    const std::int64_t passUs = b.clock.nowUs() - startUs - b.pump->pausesUs;

    const sim::BenchConfig& bench = b.bench();
    const std::uint32_t baud = sim::baudOfCode(1, bench.adapter.baudCode3);
    std::int64_t floorUs = 0;
    for (const Exchange& e : b.views.exchanges)
        floorUs += sim::wireTimeUs(static_cast<std::size_t>(e.requestBytes + e.answerBytes), baud) +
                   bench.timing.productTurnaroundUs + 2 * std::int64_t{bench.timing.usbFrameUs};
    if (floorUs <= 0) {
        std::fprintf(stderr, "no exchanges\n");
        return 1;
    }
    std::printf("read_pass_exchanges: %zu count\n", b.views.exchanges.size());
    std::printf("read_pass_virtual: %.1f ms\n", static_cast<double>(passUs) / 1000.0);
    std::printf("read_pass_wire_floor: %.1f ms\n", static_cast<double>(floorUs) / 1000.0);
    std::printf("read_pass_vs_wire: %.3f x\n", static_cast<double>(passUs) / static_cast<double>(floorUs));
    return 0;
}
