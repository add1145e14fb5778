#pragma once
// The fault-injection soak: random user operations on the real controller and machines against
// the simulated bench on virtual time, with the automatic connection polling, and bench faults
// (dropped, corrupted, delayed and malformed answers, unplugging) at random moments. Seeded: the
// same seed gives the same run. After every operation, once the bench is quiet, it checks:
// - no bit outside the masks of the functions the operation chose to write has changed;
// - every row shown black equals the product's memory;
// - the operation ended (the machines rest and no wake-up was lost);
// - a user operation that did not succeed showed why (progress label, log or message).

#include <QString>
#include <QStringList>
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
    QStringList firstViolations;  // a description of the first few, with their operation number

    int violations() const {
        return bitsChangedOutsideMasks + blackRowsNotInMemory + operationsNotEnded + silentFailures + strandedWakeups;
    }
    // "name: value" lines.
    QString report() const;
};

SoakCounts runSoak(std::uint64_t seed, int operations);

}  // namespace dravik::test
