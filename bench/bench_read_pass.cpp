// A full read pass of the sample product (identification 37) on the standard bench: how much longer
// it takes than the link itself needs for the same exchanges (Measures.h). The device pauses the
// machine asks for are left out of the measured time.
//
// read_pass_vs_wire: virtual time, the bench as it is (9600 baud): the machine's own sequence.
// read_pass_vs_wire_realtime_115200: real time with the threaded pump and the event loop, baud code
// 3 at 115200 and the product answering at code 3: what the host adds between exchanges (the
// median of five passes).
// DRAVIK_EXCHANGES_VERBOSE=1 lists each exchange of the pass with its time against its floor.

#include "Measures.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {

bool measure(BenchTime time, const char* suffix, const std::function<void(sim::BenchConfig&)>& adjust) {
    ControllerBench b(time);
    if (!b.load("standard.json", adjust) || !connectAtItsSpeed(b)) return false;
    const std::optional<Timed> t = medianRun(time, [&] { return readPass(b); });
    if (!t) return false;
    std::printf("read_pass_exchanges%s: %zu count\n", suffix, t->exchanges);
    std::printf("read_pass_ms%s: %.1f ms\n", suffix, static_cast<double>(t->us) / 1000.0);
    std::printf("read_pass_wire_floor%s: %.1f ms\n", suffix, static_cast<double>(t->floorUs) / 1000.0);
    std::printf("read_pass_vs_wire%s: %.3f x\n", suffix, t->vsWire());
    return true;
}

}  // namespace

int main(int argc, char** argv) { return measureBothTimings(argc, argv, measure); }
