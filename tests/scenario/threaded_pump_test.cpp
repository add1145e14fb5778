#include <gtest/gtest.h>

#include "PumpLoop.h"

using namespace dravik;
using namespace dravik::benchsupport;

// The real worker thread and event loop against the bench, on real time.
TEST(ThreadedPump, ExchangesWithTheBenchAlternateAndComplete) {
    PumpLoop loop(sim::BenchConfig{});
    const long n = loop.run(150);
    EXPECT_GT(n, 10);
    EXPECT_EQ(loop.timeouts(), 0);
    EXPECT_GT(loop.logged(), 0);
}
