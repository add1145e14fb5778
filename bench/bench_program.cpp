// Programming a file protocol of four 256-byte slots into the slot module of the "VRAK-1" bench,
// from the flash unlock to the checksum answer: how much longer it takes than the link itself needs
// for the same exchanges (Measures.h).
//
// program_vs_wire: virtual time, the bench as it is (19200 baud): the machine's own sequence.
// program_vs_wire_realtime_115200: real time with the threaded pump and the event loop, baud code
// 3 at 115200 and product and module answering at code 3: what the host adds between exchanges
// (the median of five programmings).

#include "Measures.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {

bool measure(BenchTime time, const char* suffix, const std::function<void(sim::BenchConfig&)>& adjust) {
    ControllerBench b(time);
    if (!b.load("vrak1-direct.json", adjust)) return false;
    QDir().mkpath(b.protocolsFolder());
    const QString file = QStringLiteral("VRAK1-CAN-DEMO.txt");
    if (!QFile::copy(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols/") + file,
                     QDir(b.protocolsFolder()).filePath(file)) ||
        !connectModule(b))
        return false;
    const std::optional<Timed> t = medianRun(time, [&] { return programFileProtocol(b); });
    if (!t) return false;
    std::printf("program_lines%s: %ld count\n", suffix, t->lines);
    std::printf("program_s%s: %.3f s\n", suffix, static_cast<double>(t->us) / 1e6);
    std::printf("program_wire_floor_s%s: %.3f s\n", suffix, static_cast<double>(t->floorUs) / 1e6);
    std::printf("program_vs_wire%s: %.3f x\n", suffix, t->vsWire());
    return true;
}

}  // namespace

int main(int argc, char** argv) { return measureBothTimings(argc, argv, measure); }
