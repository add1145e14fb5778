#include <gtest/gtest.h>

#include <functional>

#include "connection/MbusSetup.h"
#include "connection/TestPage.h"
#include "support/FakeConnectionView.h"
#include "support/LinkRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

// ---- The setup queue ----

struct Take {
    std::uint8_t result;
    int sendingCmd;
    std::uint16_t output;
    std::uint8_t baud;
    std::uint8_t indexAfter;
};

TEST(MbusSetupQueue, TakesEntriesUntilTheScriptEnds) {
    ConnectionState cs;
    HandlerState hs;
    cs.RequestCmd_MbusSetup[0] = {0x837C, 1, MBUS_SETUP};
    cs.RequestCmd_MbusSetup[1] = {0, 0, IDENTIFICATION};
    const Take expected[] = {
        {1, MBUS_SETUP, 0x837C, 1, 1},
        {1, IDENTIFICATION, 0, 0, 0},
        {0, IDENTIFICATION, 0, 0, 0},  // entry 0 was cleared: nothing changes
    };
    for (const Take& t : expected) {
        SCOPED_TRACE(t.sendingCmd);
        EXPECT_EQ(Mbus_setup_SM(cs, hs), t.result);
        EXPECT_EQ(hs.SendingCmd, t.sendingCmd);
        EXPECT_EQ(hs.Output_value.load(), t.output);
        EXPECT_EQ(hs.Baudrate_value.load(), t.baud);
        EXPECT_EQ(cs.MbusSetup_index, t.indexAfter);
    }
}

TEST(MbusSetupQueue, EmptyEntryChangesNothing) {
    ConnectionState cs;
    HandlerState hs;
    hs.SendingCmd = MEMORY_READ;
    hs.Output_value = 0x1234;
    hs.Baudrate_value = 2;
    cs.MbusSetup_index = 1;
    cs.RequestCmd_MbusSetup[0] = {0x837C, 1, MBUS_SETUP};  // not the entry the index names
    EXPECT_EQ(Mbus_setup_SM(cs, hs), 0);
    EXPECT_EQ(hs.SendingCmd, MEMORY_READ);
    EXPECT_EQ(hs.Output_value.load(), 0x1234);
    EXPECT_EQ(hs.Baudrate_value.load(), 2);
    EXPECT_EQ(cs.MbusSetup_index, 1);
}

TEST(MbusSetupQueue, ThirdSetupEntryEndsTheScript) {
    ConnectionState cs;
    HandlerState hs;
    cs.RequestCmd_MbusSetup = {MbusSetupEntry{1, 0, MBUS_SETUP}, {2, 0, MBUS_SETUP}, {3, 0, MBUS_SETUP}};
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Mbus_setup_SM(cs, hs), 1);
    EXPECT_EQ(hs.Output_value.load(), 3);
    EXPECT_EQ(cs.MbusSetup_index, 0);
}

TEST(MbusSetupQueue, LoadingAScriptRestartsItFromEntryZero) {
    ConnectionState cs;
    HandlerState hs;
    // A script cut short after its first entry.
    loadMbusScript(cs, {0x837C, 1, MBUS_SETUP}, {0, 0, IDENTIFICATION});
    ASSERT_EQ(Mbus_setup_SM(cs, hs), 1);
    ASSERT_EQ(cs.MbusSetup_index, 1);
    loadMbusScript(cs, {0x837C, 2, MBUS_SETUP}, {0, 0, IDENTIFICATION});
    EXPECT_EQ(Mbus_setup_SM(cs, hs), 1);
    EXPECT_EQ(hs.SendingCmd, MBUS_SETUP);
    EXPECT_EQ(hs.Baudrate_value.load(), 2);
}

// ---- Test page values ----

TEST(FillSetupPacket, OutputWordFromTheLineBoxes) {
    struct Case {
        std::array<bool, 8> lines;
        std::uint16_t word;
    };
    const Case cases[] = {
        {{}, 0x00FF},
        {{true}, 0x01FE},
        {{true, true, true, true, true, true, true, true}, 0xFF00},
        {{true, true, false, false, false, false, false, true}, 0x837C},
        {{false, false, false, false, false, false, false, true}, 0x807F},
    };
    for (const Case& c : cases) {
        TestPageControls controls;
        controls.lines = c.lines;
        EXPECT_EQ(Fill_SetupPacket(controls).Output_value, c.word) << std::hex << c.word;
    }
}

TEST(FillSetupPacket, ListPositions) {
    TestPageControls c;
    EXPECT_EQ(Fill_SetupPacket(c).OperativeMode_value, 1);  // the first mode entry sends 1
    c = {2, 1, 16, 3, {}};
    const TestPageValues v = Fill_SetupPacket(c);
    EXPECT_EQ(v.OperativeMode_value, 3);
    EXPECT_EQ(v.Baudrate_value, 1);
    EXPECT_EQ(v.ChannelGroup_value, 16);
    EXPECT_EQ(v.Channel_value, 3);
    // Lists without a selection count as their first entry.
    const TestPageValues none = Fill_SetupPacket({-1, -1, -1, -1, {}});
    EXPECT_EQ(none.OperativeMode_value, 1);
    EXPECT_EQ(none.Baudrate_value, 0);
    EXPECT_EQ(none.ChannelGroup_value, 0);
}

// ---- Test page requests ----

struct TestPageTest : ::testing::Test {
    LinkRig rig;
    ConnectionState cs;
    FakeConnectionView view;
    TestPageRequests page{{cs, rig.hs, rig.handler, rig.lib, view, rig.log, rig.dialogs}};

    QString log() const { return rig.log.text(); }
    // Runs virtual time until the request started by the last click has shown its outcome.
    bool settle() {
        return rig.scheduler.runFor(
            5000, [this] { return !rig.pump.isBusy() && !rig.handler.ProcessIsInProgress(false); });
    }
};

TEST_F(TestPageTest, MbusSetupSendsTheValuesAndListsTheInputs) {
    page.Fill_SetupPacket({0, 2, 0, 0, {true}});
    rig.lib.answerNext(kDestInterface, 0x40, {0x05, 0x03});
    page.button_Send_Mbus_Setup_Req_Click();
    settle();
    ASSERT_EQ(rig.lib.sent.size(), 1u);
    const dataBuffer& tx = rig.lib.sent[0];
    EXPECT_EQ(tx[kCode], 0x40);
    EXPECT_EQ(tx[10], 0x01);
    EXPECT_EQ(tx[11], 0xFE);
    EXPECT_EQ(tx[12], 2);
    EXPECT_EQ(log(),
              "Set mode: 1\r\nSet Output: 0x1fe \r\nSet baudrate: 2\r\n\r\n"
              "Operative mode: 5\r\nInput '1' > 4V \r\nInput '2' > 4V \r\n \r\n\r\n");
}

TEST_F(TestPageTest, MbusSetupInputsLowAndFailure) {
    rig.lib.answerNext(kDestInterface, 0x40, {0x00, 0x00});
    page.button_Send_Mbus_Setup_Req_Click();
    settle();
    EXPECT_TRUE(log().endsWith("Operative mode: 0\r\nInput '1' = 0V \r\nInput '2' = 0V \r\n \r\n\r\n"));
    rig.log.clear();
    page.button_Send_Mbus_Setup_Req_Click();  // nothing answers
    settle();
    EXPECT_EQ(log(), "Set mode: 0\r\nSet Output: 0xff \r\nSet baudrate: 0\r\n\r\nRX error 1!\r\n \r\n\r\n");
}

TEST_F(TestPageTest, WirelessSetupAndIdentification) {
    page.Fill_SetupPacket({2, 0, 1, 1, {}});
    rig.lib.answerNext(kDestInterface, libframe::kCodeWiSetup, {3, 1, 1});
    page.button_Send_Wi_Setup_Req_Click();
    settle();
    EXPECT_EQ(log(),
              "Set mode: 3\r\nSet channel group: 1\r\nSet channel: 1\r\n\r\n"
              "Operative mode: 3\r\nChannel group: 1\r\nChannel: 1\r\n \r\n\r\n");
    rig.log.clear();

    rig.lib.answerNext(kDestInterface, libframe::kCodeWiId, {3, 1, 2, 1, 5, 1, 0});
    page.button_Wi_ID_Request_Click(" 0x1A2B3C4D ", "200");
    settle();
    ASSERT_EQ(rig.lib.sent.size(), 2u);
    const dataBuffer& tx = rig.lib.sent[1];
    EXPECT_EQ(tx[kData], 0x4D);  // address low byte first
    EXPECT_EQ(tx[kData + 3], 0x1A);
    EXPECT_EQ(tx[kData + 4], 200);
    EXPECT_EQ(log(),
              "Device type: 3\r\nHw type: 1\r\nHw version: 2\r\nSw type: 1\r\nSw version: 5\r\n"
              "Library version: 1\r\nLogic number: 0\r\n \r\n\r\n");
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST_F(TestPageTest, UnreadableWirelessFieldsSendNothing) {
    struct Case {
        const char* dest;
        const char* sysType;
        const char* field;
    };
    const Case cases[] = {
        {"", "1", "Destination address"},        {"12G", "1", "Destination address"},
        {"123456789", "1", "Destination address"}, {"-1", "1", "Destination address"},
        {"0", "256", "System type"},              {"0", "-1", "System type"},
        {"0", "0x10", "System type"},             {"0", "", "System type"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.dest) + " / " + c.sysType);
        rig.dialogs.shown.clear();
        page.button_Wi_ID_Request_Click(c.dest, c.sysType);
        ASSERT_EQ(rig.dialogs.shown.size(), 1u);
        EXPECT_EQ(rig.dialogs.shown[0].caption, "Wireless ID request");
        EXPECT_TRUE(rig.dialogs.shown[0].text.startsWith(c.field));
    }
    EXPECT_TRUE(rig.lib.sent.empty());
    EXPECT_TRUE(log().isEmpty());
    // The widest accepted values.
    EXPECT_EQ(TestPageRequests::parseDestAddress("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(TestPageRequests::parseSysType("255"), 255);
}

// Every request that gets no answer says so in the log; none leaves the screen unchanged silently.
// The click returns at once: the exchange waits out its 500 ms on the pump's worker, every other
// operation is refused meanwhile, and the outcome is shown afterwards.
TEST_F(TestPageTest, EveryUnansweredRequestSaysSoWithoutHoldingTheClick) {
    struct Case {
        const char* name;
        std::function<void(TestPageRequests&)> click;
        const char* log;
    };
    const Case cases[] = {
        {"M-Bus ID req.", [](TestPageRequests& p) { p.button_Mbus_ID_Request_Click(); },
         "Product ID request: RX error 1!\r\n \r\n\r\n"},
        {"M-Bus send", [](TestPageRequests& p) { p.button_Send_Mbus_Setup_Req_Click(); },
         "Set mode: 0\r\nSet Output: 0xff \r\nSet baudrate: 0\r\n\r\nRX error 1!\r\n \r\n\r\n"},
        {"wireless ID req.", [](TestPageRequests& p) { p.button_Wi_ID_Request_Click("0", "1"); },
         "RX error 1!\r\n \r\n\r\n"},
        {"wireless send", [](TestPageRequests& p) { p.button_Send_Wi_Setup_Req_Click(); },
         "Set mode: 0\r\nSet channel group: 0\r\nSet channel: 0\r\n\r\nRX error 1!\r\n \r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.log.clear();
        rig.dialogs.shown.clear();
        const std::size_t sentBefore = rig.lib.sent.size();
        const std::int64_t clickUs = rig.clock.nowUs();
        c.click(page);
        EXPECT_EQ(rig.clock.nowUs(), clickUs);
        EXPECT_EQ(rig.lib.sent.size(), sentBefore);  // not sent from the click itself
        EXPECT_TRUE(rig.pump.pendingUs.has_value());
        EXPECT_TRUE(log().isEmpty());
        // A second click while the first waits is refused and sends nothing more.
        c.click(page);
        ASSERT_EQ(rig.dialogs.shown.size(), 1u);
        EXPECT_EQ(rig.dialogs.shown[0].text, "There is another process in progress");
        ASSERT_TRUE(settle());
        EXPECT_EQ(rig.lib.sent.size(), sentBefore + 1);
        EXPECT_EQ(log(), c.log);
        const std::int64_t waitedUs = rig.clock.nowUs() - clickUs;
        EXPECT_GE(waitedUs, std::int64_t{ExchangeLibrary::kTimeoutMs} * 1000);
        EXPECT_LT(waitedUs, std::int64_t{ExchangeLibrary::kTimeoutMs + 100} * 1000);
    }
    EXPECT_TRUE(view.product.text.isEmpty());
}

// The request and the handler's own exchanges never share the wire: a command accepted while the
// request waits is sent after it, and the pump carries on to serve it.
TEST_F(TestPageTest, HandlerCommandWaitsForTheRequest) {
    rig.lib.answerNext(kDestInterface, 0x40, {0x01, 0x00}, 200000);
    page.button_Send_Mbus_Setup_Req_Click();
    ASSERT_EQ(rig.handler.WatchBus(IDENTIFICATION, true), RESULT_ACCEPTED);
    rig.hs.Rx_timeout_val = 3;
    ASSERT_TRUE(
        rig.scheduler.runFor(5000, [this] { return rig.handler.WatchBus(0, false) == RESULT_TIMEOUT; }));
    ASSERT_EQ(rig.lib.sent.size(), 2u);
    EXPECT_EQ(rig.lib.sent[0][kCode], 0x40);
    EXPECT_GE(rig.lib.sentAtUs[1], rig.lib.sentAtUs[0] + 200000);
    EXPECT_TRUE(log().contains("Operative mode: 1\r\n"));
}

TEST_F(TestPageTest, MbusIdentificationShowsTheProductIdInGreen) {
    rig.lib.answerNext(kDestProduct, 0x00, {0, 63, 1, 2});
    page.button_Mbus_ID_Request_Click();
    settle();
    EXPECT_EQ(view.product.text, "Product ID: 063, ver. 1, subver. 2");
    EXPECT_EQ(view.product.tone, Tone::Green);
    EXPECT_EQ(rig.lib.sent.back()[kDest], kDestProduct);
    EXPECT_TRUE(log().isEmpty());
}

TEST_F(TestPageTest, RefusedWhileAProcessIsInProgress) {
    rig.ms.EnterProduct_state = 2;
    page.button_Mbus_ID_Request_Click();
    page.button_Send_Mbus_Setup_Req_Click();
    page.button_Wi_ID_Request_Click("0", "1");
    page.button_Send_Wi_Setup_Req_Click();
    ASSERT_EQ(rig.dialogs.shown.size(), 4u);
    for (const ShownMessage& m : rig.dialogs.shown) EXPECT_EQ(m.text, "There is another process in progress");
    EXPECT_TRUE(rig.lib.sent.empty());
    EXPECT_TRUE(log().isEmpty());
}

}  // namespace
