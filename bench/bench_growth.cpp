// How the cost grows with the size of the work, on real time with baud code 3 at 115200
// (Measures.h), point by point:
// - a read pass, per exchange, for products of 8 to 255 rows (ProductRows.h);
// - programming, per flash line, for images of 1x to 14x the sample file (slots of 256 to 3584
//   bytes: 14x is the largest image a module may take);
// - the heap the product panel holds, per row.
// A per-item figure that stays flat along its curve is linear growth. The process CPU per item is
// given beside the time, since the time is mostly the wire's.

#include <malloc.h>

#include <QTextStream>

#include "Measures.h"
#include "ProductRows.h"

using namespace dravik;
using namespace dravik::benchsupport;

namespace {

const std::vector<int> kRows = {8, 32, 128, 255};
const std::vector<int> kFileTimes = {1, 4, 8, 14};

double heapKb() {
    const struct mallinfo2 m = mallinfo2();
    return static_cast<double>(m.uordblks + m.hblkhd) / 1024.0;
}

// Read passes; returns the heap the panel of each size holds (KB), or an empty vector.
std::vector<double> readPasses() {
    std::vector<double> heap;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
        ControllerBench b(BenchTime::Real);
        b.prepareDatabase = [](const QString& folder) { return addProductsWithRows(folder, kRows); };
        const auto id = static_cast<std::uint8_t>(kFirstRowsIdentification + static_cast<int>(i));
        const double before = heapKb();
        if (!b.load("standard.json",
                    [id](sim::BenchConfig& c) {
                        at115200(c);
                        c.product.identification = {0, id, 1, 0};
                    }) ||
            !connectAtItsSpeed(b))
            return {};
        heap.push_back(heapKb() - before);
        const std::optional<Timed> t = readPass(b);
        if (!t) return {};
        const double n = static_cast<double>(t->exchanges);
        std::printf("read_pass_per_exchange_rows_%d: %.3f ms\n", kRows[i], static_cast<double>(t->us) / 1000.0 / n);
        std::printf("read_pass_cpu_per_exchange_rows_%d: %.0f us\n", kRows[i], t->cpuUs / n);
        std::printf("read_pass_vs_wire_rows_%d: %.3f x\n", kRows[i], t->vsWire());
    }
    return heap;
}

// The sample file with every slot times times as long: its lines repeated.
bool writeLongerFile(const QString& path, int times) {
    QFile in(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols/VRAK1-CAN-DEMO.txt"));
    QFile out(path);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text) || !out.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QTextStream o(&out);
    QStringList slot;
    auto flush = [&] {
        for (int t = 0; t < times; ++t)
            for (const QString& line : slot) o << line << '\n';
        slot.clear();
    };
    for (const QString& line : QString::fromLatin1(in.readAll()).split(QLatin1Char('\n'))) {
        const QString l = line.trimmed();
        if (l.startsWith(QLatin1Char('@')) || l == QLatin1String("q")) {
            flush();
            o << l << '\n';
        } else if (!l.isEmpty()) {
            slot << l;
        }
    }
    flush();
    return o.status() == QTextStream::Ok && out.flush();
}

bool setBytesPerSlot(const QString& folder, int bytes) {
    const std::string sql = "UPDATE Modules SET BytesPerSlot = " + std::to_string(bytes) + " WHERE Name = 'VRAK-1';";
    return runOnDatabase(folder, sql.c_str());
}

bool programming() {
    for (const int times : kFileTimes) {
        ControllerBench b(BenchTime::Real);
        const int bytesPerSlot = 256 * times;
        b.prepareDatabase = [bytesPerSlot](const QString& folder) { return setBytesPerSlot(folder, bytesPerSlot); };
        if (!b.load("vrak1-direct.json",
                    [bytesPerSlot](sim::BenchConfig& c) {
                        at115200(c);
                        c.module.bytesPerSlot = static_cast<std::uint16_t>(bytesPerSlot);
                    }) ||
            !QDir().mkpath(b.protocolsFolder()) ||
            !writeLongerFile(QDir(b.protocolsFolder()).filePath(QStringLiteral("VRAK1-CAN-DEMO.txt")), times) ||
            !connectModule(b))
            return false;
        const std::optional<Timed> t = programFileProtocol(b);
        if (!t) return false;
        const double lines = static_cast<double>(t->lines);
        std::printf("program_lines_file_%dx: %ld count\n", times, t->lines);
        std::printf("program_per_line_file_%dx: %.3f ms\n", times, static_cast<double>(t->us) / 1000.0 / lines);
        std::printf("program_cpu_per_line_file_%dx: %.0f us\n", times, t->cpuUs / lines);
        std::printf("program_vs_wire_file_%dx: %.3f x\n", times, t->vsWire());
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<double> heap = readPasses();
    if (heap.size() != kRows.size()) return 1;
    for (std::size_t i = 0; i < kRows.size(); ++i)
        std::printf("panel_heap_rows_%d: %.0f KB\n", kRows[i], heap[i]);
    std::printf("panel_heap_per_row: %.1f KB (from %d to %d rows)\n",
                (heap.back() - heap.front()) / static_cast<double>(kRows.back() - kRows.front()), kRows.front(),
                kRows.back());
    return programming() ? 0 : 1;
}
