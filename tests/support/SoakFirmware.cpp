// The firmware family of the soak: upgrades of the adapter with one of the sample images, cut by
// an unplug after a random loader report or fed corrupted blocks, one after the other on the same
// adapter (a failed upgrade leaves it in its loader, where the next one starts).
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "firmware/TiTxt.h"
#include "support/FirmwareRig.h"
#include "support/Soak.h"

namespace dravik::test {

namespace {

constexpr int kSettleMs = 180000;
const char* const kImages[] = {"odd.fmd", "good.fmd"};

TiTxtImage imageOf(const char* name) {
    QFile f(sampleFirmware(name));
    TiTxtImage image;
    std::string error;
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray text = f.readAll();
        parseTiTxt(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), image, error);
    }
    return image;
}

// Each operation starts from an adapter in its application, as a technician finds it.
class FirmwareSoak {
public:
    FirmwareSoak(std::uint64_t seed, SoakCounts& counts) : rng_(seed ^ 0x6669726d77617265ULL), c_(counts) {
        for (std::size_t i = 0; i < std::size(kImages); ++i) images_[i] = imageOf(kImages[i]);
    }

    void run(int operations) {
        for (int i = 1; i <= operations; ++i) operation(i);
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    bool flashHolds(FirmwareRig& rig, const TiTxtImage& image) {
        bool same = !image.sections.empty();
        rig.lib->withBench([&](sim::Bench& b) {
            for (const TiTxtSection& section : image.sections)
                for (std::size_t i = 0; i < section.bytes.size() && same; ++i)
                    same = b.flashAt(section.address + static_cast<std::uint32_t>(i)) == section.bytes[i];
        });
        return same;
    }

    // One press of the button, to its end. Returns whether it ended; ok when it said so.
    bool upgrade(FirmwareRig& rig, int index, int which, bool& ok) {
        const int runsBefore = rig.worker.runs;
        const int okBefore = rig.messages(QStringLiteral("Download OK !"));
        const int errorsBefore = rig.messages(QStringLiteral("Download error !"));
        rig.logView.clear();
        rig.choose(kImages[which]);
        rig.firmware->button_UpgradeFirmware_Click();
        const bool ended =
            rig.runFor(kSettleMs, [&] { return rig.worker.runs > runsBefore && !rig.worker.isBusy(); });
        const bool verified = rig.log().contains(QStringLiteral("Memory successfully verified"));
        ok = rig.messages(QStringLiteral("Download OK !")) > okBefore;
        if (std::getenv("DRAVIK_SOAK_TRACE") != nullptr)
            std::fprintf(stderr, "firmware %d: %s ended %d ok %d\n%s\n", index, kImages[which], ended ? 1 : 0,
                         ok ? 1 : 0, qPrintable(rig.log()));
        if (!ended) {
            ++c_.operationsNotEnded;
            c_.violation(index, QStringLiteral("the firmware upgrade did not end: %1").arg(rig.log().right(600)));
            return false;
        }
        if (!ok && rig.messages(QStringLiteral("Download error !")) == errorsBefore) {
            ++c_.silentFailures;
            c_.violation(index, QStringLiteral("the firmware upgrade ended without a word"));
        }
        if (verified || ok) {
            ++c_.verifiedUpgradesChecked;
            if (!flashHolds(rig, images_[static_cast<std::size_t>(which)])) {
                ++c_.verifiedButDiffers;
                c_.violation(index, QStringLiteral("an upgrade with %1 was verified but the adapter holds another image")
                                        .arg(QLatin1String(kImages[which])));
            }
        }
        return true;
    }

    void operation(int index) {
        ++c_.operations;
        ++c_.byFamily[kFamilyFirmware];
        FirmwareRig rig;
        if (!rig.runFor(20000, [&] { return rig.s().connection.Interface_connected; })) {
            ++c_.operationsNotEnded;
            c_.violation(index, QStringLiteral("the adapter was not connected for the firmware upgrade"));
            return;
        }
        const int which = pick(10) < 8 ? 0 : 1;  // the small image mostly: the large one is slow
        const int fault = pick(3);
        if (fault != 0) ++c_.faultsInjected;
        rig.lib->withBench([&](sim::Bench& b) {
            if (fault == 1) b.config().bootloader.unplugAfterReports = pick(which == 0 ? 80 : 1600);
            if (fault == 2) b.config().bootloader.corruptBlocks = 1;
        });
        bool ok = false;
        if (!upgrade(rig, index, which, ok)) return;
        if (ok) {
            ++c_.succeeded;
            return;
        }
        ++c_.failedVisibly;
        // Plugged in again, the adapter comes back in its application or in its loader, and a
        // second press upgrades it.
        rig.lib->withBench([](sim::Bench& b) {
            b.config().bootloader.unplugAfterReports = -1;
            b.config().bootloader.corruptBlocks = 0;
        });
        rig.view.mode.clear();
        rig.plug(true);
        const ConnectionState& cs = rig.s().connection;
        if (!rig.runFor(60000, [&] {
                return !rig.view.mode.isEmpty() && (cs.Interface_connected || cs.WorkingMode == 0);
            })) {
            ++c_.operationsNotEnded;
            c_.violation(index, QStringLiteral("the adapter did not come back after a failed upgrade"));
            return;
        }
        ++c_.reconnects;
        if (upgrade(rig, index, which, ok) && !ok) {
            ++c_.operationsNotEnded;
            c_.violation(index, QStringLiteral("the adapter was not upgraded after a failed upgrade: %1")
                                    .arg(rig.log().right(600)));
        }
    }

    std::mt19937_64 rng_;
    SoakCounts& c_;
    TiTxtImage images_[std::size(kImages)];
};

}  // namespace

void soakFirmware(std::uint64_t seed, int operations, SoakCounts& counts) {
    FirmwareSoak(seed, counts).run(operations);
}

}  // namespace dravik::test
