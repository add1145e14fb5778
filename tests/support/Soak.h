#pragma once
// The fault-injection soak: random user operations on the real controller and machines against
// the simulated bench on virtual time, and bench faults (dropped, corrupted, delayed and malformed
// answers, unplugging, wrong flash-line echoes, power lost mid-image, corrupted loader blocks) at
// random moments. Seeded: the same seed gives the same run. Operations come in families:
// - product: panel reads and writes of product 37 with the automatic connection polling;
// - module: slot reads, selection writes, protection and the event log of a direct slot module;
// - programming: a protocol file programmed into that module;
// - backup: configuration backups of product 63 saved (some writes failing part-way), opened
//   (some files damaged) and downloaded with faults aimed at single commands, on its module
//   behind it and on a slot module wired to the cable;
// - firmware: the adapter's firmware upgrade, cut at any loader report or with corrupted blocks.
// After every operation, once the bench is quiet, it checks:
// - no bit outside the masks of the functions the operation chose to write has changed;
// - every row shown black equals the product's memory;
// - the operation ended (the machines rest, the download worker ended, no wake-up was lost);
// - a user operation that did not succeed showed why (progress label, log or message);
// - a programming or an upgrade reported as verified left the module's or the adapter's flash
//   equal to the image byte for byte;
// - no backup is half-applied: a download reported done left the product and the module holding
//   the file's values, one that failed left the module as it was or as the file says; a saved file
//   is the complete new file or the previous one, with no temporary file left beside it; saving
//   and opening send nothing.

#include <QString>
#include <QStringList>
#include <array>
#include <vector>
#include <cstdint>
#include <functional>

namespace dravik {
class ProductPanel;
}

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
    int halfAppliedBackups = 0;
    int damagedBackupFiles = 0;
    // Programmings and upgrades reported verified, their flash compared with the image.
    int verifiedProgrammingsChecked = 0;
    int verifiedUpgradesChecked = 0;
    // Operations run per family, in the order of kSoakFamilies.
    std::array<int, 5> byFamily{};
    QStringList firstViolations;  // a description of the first few, with their operation number

    int violations() const {
        return bitsChangedOutsideMasks + blackRowsNotInMemory + operationsNotEnded + silentFailures + strandedWakeups +
               verifiedButDiffers + halfAppliedBackups + damagedBackupFiles;
    }
    void violation(int op, const QString& what);
    // "name: value" lines.
    QString report() const;
};

inline constexpr const char* kSoakFamilies[] = {"product", "module", "programming", "backup", "firmware"};
enum SoakFamily { kFamilyProduct, kFamilyModule, kFamilyProgramming, kFamilyBackup, kFamilyFirmware };

// Runs `operations` operations spread over the families (about half on the product panel).
SoakCounts runSoak(std::uint64_t seed, int operations);

// The module and programming families on the sample direct slot module, the backup family and
// the firmware family.
void soakModule(std::uint64_t seed, int operations, SoakCounts& counts);
void soakBackup(std::uint64_t seed, int operations, SoakCounts& counts);
void soakFirmware(std::uint64_t seed, int operations, SoakCounts& counts);

// The product's memory, and the bits an operation may change in it.
using SoakMemory = std::array<std::uint8_t, 256>;
// Allows the bits of the selected item of every list row shown red: a set writes those rows.
void allowRedListRows(ProductPanel& panel, SoakMemory& allowed);
// Bits that differ between before and after outside allowed; the first such byte described.
int bitsChangedOutside(const SoakMemory& before, const SoakMemory& after, const SoakMemory& allowed,
                       QString& first);
// The 1-based rows shown black whose value the product's memory does not hold.
std::vector<int> blackRowsNotIn(ProductPanel& panel, const SoakMemory& memory);

}  // namespace dravik::test
