// Programming a file protocol of four 256-byte slots into the slot module of the "VRAK-1" bench,
// from the flash unlock to the checksum answer: how much longer it takes than the link itself needs
// for the same exchanges. The floor of one exchange is (request bytes + answer bytes) x 11 / the
// module's baud + the module's turnaround + one USB frame each way.
//
// program_vs_wire: virtual time, the bench as it is (19200 baud): the machine's own sequence.
// program_vs_wire_realtime_115200: real time with the threaded pump and the event loop, baud code
// 3 at 115200 and product and module answering at code 3: what the host adds between exchanges.

#include <QComboBox>

#include "ControllerBench.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {

bool measure(BenchTime time, const char* suffix, const std::function<void(sim::BenchConfig&)>& adjust) {
    ControllerBench b(time);
    if (!b.load("vrak1-direct.json", adjust)) return false;
    QDir().mkpath(b.protocolsFolder());
    const QString file = QStringLiteral("VRAK1-CAN-DEMO.txt");
    if (!QFile::copy(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols/") + file,
                     QDir(b.protocolsFolder()).filePath(file)))
        return false;
    Session& s = b.controller->session();
    const sim::BenchConfig& bench = b.bench();
    // The speed the product was last found at; the connection starts there.
    s.product.Prd_Speed = static_cast<std::uint8_t>(bench.product.baudCode);
    if (!b.connect()) return false;
    EnterModule& module = b.controller->module();
    auto moduleDone = [&] { return s.machines.EnterModule_state == MODULE_STOPPED && b.idle(); };
    b.drive(moduleDone);

    QComboBox* protocols = module.panel().combo(0);
    const int item = protocols != nullptr ? protocols->findText(QStringLiteral("*"), Qt::MatchEndsWith) : -1;
    if (item < 0) {
        std::fprintf(stderr, "no file protocol is offered\n");
        return false;
    }
    protocols->setCurrentIndex(item);
    b.views.exchanges.clear();
    module.SetProtocol_fnc();
    if (!b.drive(moduleDone)) {
        std::fprintf(stderr, "the programming did not end\n");
        return false;
    }

    const std::uint32_t baud = sim::baudOfCode(bench.module.baudCode, bench.adapter.baudCode3);
    const std::vector<Exchange>& ex = b.views.exchanges;
    auto at = [&ex](const char* name) {
        return std::find_if(ex.begin(), ex.end(),
                            [name](const Exchange& e) { return e.command == QLatin1String(name); });
    };
    const auto first = at("UNLOCK_VRAK_FLASH");
    const auto last = at("VERIFY_FIRMWARE");
    if (first == ex.end() || last == ex.end()) {
        std::fprintf(stderr, "the image was not sent and verified\n");
        return false;
    }
    std::int64_t floorUs = 0;
    long lines = 0;
    for (auto e = first; e <= last; ++e) {
        floorUs += sim::wireTimeUs(static_cast<std::size_t>(e->requestBytes + e->answerBytes), baud) +
                   bench.timing.moduleTurnaroundUs + 2 * std::int64_t{bench.timing.usbFrameUs};
        if (e->command == QLatin1String("SEND_DATA_SLOT")) ++lines;
    }
    const std::int64_t programUs = last->answeredUs - first->sentUs;
    std::printf("program_lines%s: %ld count\n", suffix, lines);
    std::printf("program_s%s: %.3f s\n", suffix, static_cast<double>(programUs) / 1e6);
    std::printf("program_wire_floor_s%s: %.3f s\n", suffix, static_cast<double>(floorUs) / 1e6);
    std::printf("program_vs_wire%s: %.3f x\n", suffix,
                static_cast<double>(programUs) / static_cast<double>(floorUs));
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
                        c.module.baudCode = 3;
                    });
    return ok ? 0 : 1;
}
