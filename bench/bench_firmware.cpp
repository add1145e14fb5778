// firmware_vs_floor: the 48 KiB sample image through the whole upgrade on the bench's timing model
// (virtual time), from the second opening of the loader to the end of verification, divided by the
// floor of the same work: one report per 1 ms USB frame each way, the flash erase and programming
// times and the device's CRC time. The fixed waits of the upgrade are printed on their own.

#include <QCoreApplication>
#include <cmath>
#include <cstdio>

#include "firmware/FirmwareDownload.h"
#include "firmware/ImageCheck.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "firmware/TiTxt.h"
#include "sim/Bench.h"

using namespace dravik;

namespace {

struct Run {
    bool ok = false;
    double programmedMs = 0;  // second opening to end of verification
    double workerMs = 0;      // the whole download worker
    bool massErased = false;
    std::size_t erasedSegments = 0;
};

Run runUpgrade(Clock& clock, const sim::BenchConfig& config, const QString& path, const QByteArray& bytes) {
    SimulatedInterfaceLibrary lib(clock, config);
    lib.withBench([](sim::Bench& b) { b.advance(0); });
    FirmwareResources res = loadFirmwareResources();
    res.ramBsl = QString::fromStdString(lib.ramLoaderImage());
    Run run;
    std::int64_t startUs = 0, verifiedUs = 0;
    FirmwareDownload download(lib, clock, res, QStringLiteral("PID=0x0200,VID=0x2047,DEVICEINDEX=0"),
                              [&](int percent, const QString& text) {
                                  if (percent == 45)
                                      startUs = clock.nowUs() + 1000 * FirmwareDownload::kRamLoaderWaitMs;
                                  if (text.startsWith(QStringLiteral("Mass erase"))) run.massErased = true;
                                  if (text.startsWith(QStringLiteral("Memory successfully")))
                                      verifiedUs = clock.nowUs();
                              });
    if (!config.bootloader.blank) {
        // The application restarts into its loader; the window finds it and pauses 1000 ms.
        lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
        if (lib.BootMode_Request() != 0) return run;
        clock.sleepUs(config.bootloader.restartUs + 1000000);
    }
    const std::int64_t t0 = clock.nowUs();
    run.ok = download.run(path, bytes);
    run.workerMs = static_cast<double>(clock.nowUs() - t0) / 1000.0;
    run.programmedMs = static_cast<double>(verifiedUs - startUs) / 1000.0;
    run.erasedSegments = download.erasedByPass().size();
    return run;
}

// The same work at the physical floor.
double floorMs(const sim::BenchConfig& c, const TiTxtImage& image, std::size_t erasedSegments) {
    const double frame = c.timing.usbFrameUs / 1000.0;
    const double erase = static_cast<double>(c.bootloader.segmentEraseUs) / 1000.0;
    const double word = static_cast<double>(c.bootloader.wordProgramUs) / 1000.0;
    double ms = 2 * frame;    // password
    ms += 2 * frame + erase;  // the vector segment
    ms += static_cast<double>(erasedSegments) * (2 * frame + erase);
    for (const TiTxtSection& s : image.sections) {
        for (std::size_t off = 0; off < s.bytes.size(); off += 58) {
            const std::size_t n = std::min<std::size_t>(58, s.bytes.size() - off);
            ms += frame + static_cast<double>((n + 1) / 2) * word;
        }
        for (std::size_t off = 0; off < s.bytes.size(); off += 5000) {
            const std::size_t n = std::min<std::size_t>(5000, s.bytes.size() - off);
            ms += 2 * frame + static_cast<double>(n) * static_cast<double>(c.bootloader.crcNsPerByte) / 1e6;
        }
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString path = QStringLiteral(DRAVIK_SOURCE_DIR "/data/firmware/good.fmd");
    QByteArray bytes;
    if (const QString why = readFirmwareImage(path, bytes); !why.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(why));
        return 1;
    }
    TiTxtImage image;
    std::string error;
    if (!parseTiTxt(bytes.toStdString(), image, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    struct Variant {
        const char* name;
        bool blank;
        bool realTime;
    };
    // Virtual time shows the client's own sequence against the model; real time adds the host's
    // scheduling and polling (the bench still answers in-process).
    for (const Variant v :
         {Variant{"", false, false}, Variant{"_blank", true, false}, Variant{"_realtime", false, true}}) {
        sim::BenchConfig config;
        config.bootloader.blank = v.blank;
        VirtualClock virtualClock;
        RealClock realClock;
        Clock& clock = v.realTime ? static_cast<Clock&>(realClock) : static_cast<Clock&>(virtualClock);
        const Run run = runUpgrade(clock, config, path, bytes);
        if (!run.ok) {
            std::fprintf(stderr, "firmware upgrade%s failed on the bench\n", v.name);
            return 1;
        }
        const double floor = floorMs(config, image, run.erasedSegments);
        const int fixedWaits = (run.massErased ? FirmwareDownload::kMassEraseWaitMs : 0) +
                               FirmwareDownload::kRamLoaderWaits * FirmwareDownload::kRamLoaderWaitMs;
        std::printf("firmware_vs_floor%s: %.3f ratio\n", v.name, run.programmedMs / floor);
        std::printf("firmware_programming_ms%s: %.0f ms\n", v.name, run.programmedMs);
        std::printf("firmware_floor_ms%s: %.0f ms\n", v.name, floor);
        // Waits on the worker plus the 1000 ms pause after the loader shows up.
        std::printf("firmware_fixed_waits_ms%s: %d ms\n", v.name, fixedWaits + 1000);
        std::printf("firmware_worker_ms%s: %.0f ms\n", v.name, run.workerMs);
    }
    return 0;
}
