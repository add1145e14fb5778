// A full read pass of the sample product (identification 37) on the standard bench: how much longer
// it takes than the link itself needs for the same exchanges. The floor of one exchange is (request
// bytes + answer bytes) x 11 / baud + the product's turnaround + one USB frame each way; the device
// pauses the machine asks for are left out of the measured time, which runs from the start of the
// pass to the last answer taken.
//
// read_pass_vs_wire: virtual time, the bench as it is (9600 baud): the machine's own sequence.
// read_pass_vs_wire_realtime_115200: real time with the threaded pump and the event loop, baud code
// 3 at 115200 and the product answering at code 3: what the host adds between exchanges.

#include "ControllerBench.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {

bool measure(BenchTime time, const char* suffix, const std::function<void(sim::BenchConfig&)>& adjust) {
    ControllerBench b(time);
    if (!b.load("standard.json", adjust)) return false;
    Session& s = b.controller->session();
    const sim::BenchConfig& bench = b.bench();
    // The speed the product was last found at; the connection starts there.
    s.product.Prd_Speed = static_cast<std::uint8_t>(bench.product.baudCode);
    if (!b.connect()) return false;

    b.views.exchanges.clear();
    const std::int64_t pausesBeforeUs = b.pausesUs();
    const std::int64_t startUs = b.clock().nowUs();
    b.controller->panelOperations().ReadParameters_fnc();
    if (!b.drive([&] { return s.machines.EnterFunctions_state == EnterFunc_WAITING; }) || b.views.exchanges.empty()) {
        std::fprintf(stderr, "the read pass did not end\n");
        return false;
    }
    const std::int64_t passUs = b.views.exchanges.back().answeredUs - startUs - (b.pausesUs() - pausesBeforeUs);

    const std::uint32_t baud = sim::baudOfCode(bench.product.baudCode, bench.adapter.baudCode3);
    std::int64_t floorUs = 0;
    for (const Exchange& e : b.views.exchanges)
        floorUs += sim::wireTimeUs(static_cast<std::size_t>(e.requestBytes + e.answerBytes), baud) +
                   bench.timing.productTurnaroundUs + 2 * std::int64_t{bench.timing.usbFrameUs};
    std::printf("read_pass_exchanges%s: %zu count\n", suffix, b.views.exchanges.size());
    std::printf("read_pass_ms%s: %.1f ms\n", suffix, static_cast<double>(passUs) / 1000.0);
    std::printf("read_pass_wire_floor%s: %.1f ms\n", suffix, static_cast<double>(floorUs) / 1000.0);
    std::printf("read_pass_vs_wire%s: %.3f x\n", suffix, static_cast<double>(passUs) / static_cast<double>(floorUs));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool ok = measure(BenchTime::Virtual, "", {}) &&
                    measure(BenchTime::Real, "_realtime_115200", [](sim::BenchConfig& c) {
                        c.adapter.baudCode3 = 115200;
                        c.product.baudCode = 3;
                    });
    return ok ? 0 : 1;
}
