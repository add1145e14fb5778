#include <gtest/gtest.h>

#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

TEST(InterfaceConnection, PlugShowsTheDeviceButDoesNotConnect) {
    sim::BenchConfig bench;
    bench.adapter.plugged = false;
    ScenarioRig rig(bench, false);
    rig.runFor(600);
    EXPECT_EQ(rig.view.usb.text, "USB not connected.");
    EXPECT_EQ(rig.view.iface.text, "No inteface connected.");
    const int emptyCounts = rig.counter.runs;
    EXPECT_GE(emptyCounts, 2);
    EXPECT_LE(emptyCounts, 4);  // paced, not spinning

    rig.plug(true);
    rig.runFor(600, [&] { return rig.view.usb.text.startsWith("USB connected"); });
    rig.runFor(600);
    EXPECT_EQ(rig.view.usb.text, "USB connected (1)");
    EXPECT_EQ(rig.view.usb.tone, Tone::Green);
    EXPECT_EQ(rig.view.mode, "Standard mode.");
    EXPECT_EQ(rig.view.iface.text, "No inteface connected.");
    EXPECT_FALSE(rig.s().connection.Interface_connected);

    rig.controller->iface().Restart();
    rig.runFor(100);
    EXPECT_TRUE(rig.s().connection.Interface_connected);
    EXPECT_EQ(rig.view.iface.text, "Interface ID: 12, ver. 3, subver. 4");
    EXPECT_EQ(rig.view.iface.tone, Tone::Green);
    EXPECT_EQ(rig.lib->lastDeviceText(), "PID=0x0301,VID=0x2047,DEVICEINDEX=0");
}

TEST(InterfaceConnection, CountAlternatesBetweenStandardAndBootIds) {
    sim::BenchConfig bench;
    bench.adapter.plugged = false;
    ScenarioRig rig(bench, false);
    QStringList pids;
    for (int i = 0; i < 4; ++i) {
        pids << rig.s().connection.myPID;
        const int runs = rig.counter.runs;
        rig.runFor(1000, [&] { return rig.counter.runs > runs; });
    }
    EXPECT_EQ(pids, (QStringList{"0x0301", "0x0200", "0x0301", "0x0200"}));
}

TEST(InterfaceConnection, SilentAdapterTimesOutAndRests) {
    sim::BenchConfig bench;
    bench.faults.dropNext = 1;
    ScenarioRig rig(bench, false);
    rig.runFor(50);
    rig.controller->iface().Restart();
    rig.runFor(3000);
    EXPECT_FALSE(rig.s().connection.Interface_connected);
    EXPECT_EQ(rig.s().machines.EnterInterface_state, INTERFACE_DONE);
    EXPECT_TRUE(rig.log().contains("Rx: TIMEOUT \r\n"));
    EXPECT_TRUE(rig.log().endsWith("Stop thread \r\n"));
    EXPECT_EQ(rig.s().link.CmdHandler_state.load(), HANDLER_READY);
}

// An adapter that cannot be used says why, in the status bar and the log, and which fix applies;
// an adapter that cannot be opened is not sent an identification that could only time out.
TEST(InterfaceConnection, UnusableAdapterSaysWhy) {
    struct Case {
        const char* name;
        bool accessible;
        int dropped;
        const char* field;
        const char* logPart;
        bool identificationSent;
    };
    const Case cases[] = {
        {"no permission", false, 0, "Adapter found, but no permission to open it.", "install the udev rule",
         false},
        {"not answering", true, 1, "Adapter not answering.", "does not answer its identification", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::BenchConfig bench;
        bench.adapter.accessible = c.accessible;
        bench.faults.dropNext = c.dropped;
        ScenarioRig rig(bench, false);
        rig.runFor(50);
        rig.controller->iface().Restart();
        rig.runFor(3000);
        EXPECT_FALSE(rig.s().connection.Interface_connected);
        EXPECT_EQ(rig.view.iface.text, c.field);
        EXPECT_EQ(rig.view.iface.tone, Tone::Red);
        EXPECT_EQ(rig.view.usb.text, "USB connected (1)");
        EXPECT_TRUE(rig.log().contains(c.logPart)) << rig.log().toStdString();
        EXPECT_TRUE(rig.log().contains("replug")) << rig.log().toStdString();
        EXPECT_EQ(rig.log().contains("TX command: INTERFACE IDENTIFICATION"), c.identificationSent);
        EXPECT_EQ(rig.s().link.CmdHandler_state.load(), HANDLER_READY);
    }
}

TEST(InterfaceConnection, FillIdRule) {
    EXPECT_EQ(InterfaceConnection::fillId("0x1"), "0x0001");
    EXPECT_EQ(InterfaceConnection::fillId("0x301"), "0x0301");
    EXPECT_EQ(InterfaceConnection::fillId("0x2047"), "0x2047");
    EXPECT_EQ(InterfaceConnection::fillId("0x20"), "0x0020");
}

}  // namespace
