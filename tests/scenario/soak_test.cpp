// The fault-injection soak with a small count; scripts/soak runs it with any count and seed
// (DRAVIK_SOAK_OPERATIONS, DRAVIK_SOAK_SEED) and prints the counts.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/Soak.h"

using namespace dravik::test;

namespace {

long fromEnvironment(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::strtol(v, nullptr, 10) : fallback;
}

TEST(Soak, InvariantsHoldUnderRandomFaults) {
    const auto operations = static_cast<int>(fromEnvironment("DRAVIK_SOAK_OPERATIONS", 40));
    const auto seed = static_cast<std::uint64_t>(fromEnvironment("DRAVIK_SOAK_SEED", 8));
    const SoakCounts counts = runSoak(seed, operations);
    std::printf("seed: %llu\n%s", static_cast<unsigned long long>(seed), qPrintable(counts.report()));
    EXPECT_EQ(counts.operations, operations);
    EXPECT_EQ(counts.violations(), 0) << counts.firstViolations.join('\n').toStdString();
    EXPECT_GT(counts.succeeded, 0);
}

}  // namespace
