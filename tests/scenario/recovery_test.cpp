// The automatic connection recovers from lost answers and from plugging, whatever their timing.

#include <gtest/gtest.h>

#include "link/SimulatedInterfaceLibrary.h"
#include "support/PanelRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

struct FaultCase {
    const char* name;
    std::function<void(sim::Faults&)> fault;
};

// The first answer (the interface identification) is lost or spoilt: the automatic connection
// asks again and the interface is connected within a few seconds.
TEST(Recovery, LostInterfaceIdentificationIsAskedAgain) {
    const FaultCase cases[] = {
        {"Dropped", [](sim::Faults& f) { f.dropNext = 1; }},
        {"Corrupted", [](sim::Faults& f) { f.corruptNext = 1; }},
        {"Truncated", [](sim::Faults& f) { f.truncateNext = 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::BenchConfig bench = standardBenchConfig();
        c.fault(bench.faults);
        ScenarioRig rig(bench, true);
        ASSERT_TRUE(rig.installSampleDatabase());
        EXPECT_TRUE(rig.runFor(5000, [&] { return rig.s().connection.Interface_connected; }))
            << rig.log().toStdString() << rig.clock.nowUs();
        EXPECT_TRUE(rig.runFor(30000, [&] { return rig.s().product.Prd_connected == 1; }));
    }
}

// An unplug of any length, even one shorter than a device count, ends in a new connection.
TEST(Recovery, ReplugOfAnyLengthReconnects) {
    for (const int offMs : {5, 100, 400, 3000}) {
        SCOPED_TRACE(offMs);
        PanelRig p;
        ASSERT_TRUE(p.connect(true));
        const int found = p.rig->log().count("Found product");
        p.rig->plug(false);
        p.rig->runFor(offMs);
        p.rig->plug(true);
        EXPECT_TRUE(p.rig->runFor(30000, [&] {
            return p.rig->log().count("Found product") > found && p.panel().rowCount() > 0 && p.resting();
        }));
        EXPECT_EQ(p.rig->controller->strandedWakeups(), 0);
    }
}

// An answer that arrives after its request was given up is not taken for the next request's.
TEST(Recovery, StaleAnswerIsDrainedBeforeASend) {
    VirtualClock clock;
    sim::BenchConfig bench;
    bench.faults.extraDelayUs = 50000;
    SimulatedInterfaceLibrary lib(clock, bench);
    lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    dataBuffer identification;
    const std::uint8_t ident[] = {0x01, 0xF1, 0x02, 0x02, 0x00, 0x02};
    std::copy(std::begin(ident), std::end(ident), identification.bytes.begin() + 4);
    identification.setCount(62);
    lib.USB_TX(identification);
    clock.sleepUs(100000);  // its answer is now waiting, unread
    dataBuffer setup;
    const std::uint8_t frame[] = {0x01, 0xF1, 0x02, 0x0A, 0x40, 0x01, 0x00, 0xFF, 0x00, 0, 0, 0, 0, 0x4A};
    std::copy(std::begin(frame), std::end(frame), setup.bytes.begin() + 4);
    setup.setCount(62);
    lib.USB_TX(setup);
    dataBuffer rx;
    for (int i = 0; i < 20; ++i) {
        if (lib.USB_RX(&rx)) break;
    }
    EXPECT_EQ(rx[kCode], 0x40);
}

}  // namespace
