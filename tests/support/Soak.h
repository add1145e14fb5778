#pragma once
// The fault-injection soak: random user operations on the real controller and machines against
// the simulated bench on virtual time, and bench faults (dropped, corrupted, delayed and malformed
// answers, unplugging, wrong flash-line echoes, power lost mid-image, corrupted loader blocks) at
// random moments. Seeded: the same seed gives the same run. Operations come in families:
// - product: panel reads and writes of product 37 with the automatic connection polling;
// - module: slot reads, selection writes, protection and the event log of a direct slot module;
// - programming: a protocol file programmed into that module;
// - firmware: the adapter's firmware upgrade, cut at any loader report or with corrupted blocks.
// After every operation, once the bench is quiet, it checks:
// - no bit outside the masks of the functions the operation chose to write has changed;
// - every row shown black equals the product's memory;
// - the operation ended (the machines rest, the download worker ended, no wake-up was lost);
// - a user operation that did not succeed showed why (progress label, log or message);
// - a programming or an upgrade reported as verified left the module's or the adapter's flash
//   equal to the image byte for byte.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

namespace dravik::test {

struct SoakCounts {
    int operations = 0;
    int faultsInjected = 0;
    int succeeded = 0;
    int failedVisibly = 0;
    int reconnects = 0;  // the product found again after a plug or reboot
    // Violations: each must stay 0.
    int bitsChangedOutsideMasks = 0;
    int blackRowsNotInMemory = 0;
    int operationsNotEnded = 0;
    int silentFailures = 0;
    int strandedWakeups = 0;
    int verifiedButDiffers = 0;
    // Programmings and upgrades reported verified, their flash compared with the image.
    int verifiedProgrammingsChecked = 0;
    int verifiedUpgradesChecked = 0;
    // Operations run per family, in the order of kSoakFamilies.
    std::array<int, 4> byFamily{};
    QStringList firstViolations;  // a description of the first few, with their operation number

    int violations() const {
        return bitsChangedOutsideMasks + blackRowsNotInMemory + operationsNotEnded + silentFailures + strandedWakeups +
               verifiedButDiffers;
    }
    void violation(int op, const QString& what);
    // "name: value" lines.
    QString report() const;
};

inline constexpr const char* kSoakFamilies[] = {"product", "module", "programming", "firmware"};
enum SoakFamily { kFamilyProduct, kFamilyModule, kFamilyProgramming, kFamilyFirmware };

// Runs `operations` operations spread over the families (about half on the product panel).
SoakCounts runSoak(std::uint64_t seed, int operations);

// The module and programming families on the sample direct slot module, and the firmware family.
void soakModule(std::uint64_t seed, int operations, SoakCounts& counts);
void soakFirmware(std::uint64_t seed, int operations, SoakCounts& counts);

}  // namespace dravik::test
