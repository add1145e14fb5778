#include <gtest/gtest.h>

#include <optional>

#include "support/LinkRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

// A minimal requester: asks for one command, then waits for its outcome.
struct OneShotMachine {
    LinkRig& rig;
    int cmd;
    int state = 1;  // 1 request, 2 wait, 3 done
    CmdHandler_Result_ENUM outcome = RESULT_IDLE;
    std::int64_t doneUs = -1;

    bool step() {
        if (state == 1) {
            if (rig.handler.WatchBus(cmd, true) == RESULT_ACCEPTED) {
                rig.hs.Rx_timeout_val = 3;
                state = 2;
            }
        } else if (state == 2) {
            const auto r = rig.handler.WatchBus(0, true);
            if (r == RESULT_ANSWER_OK || r == RESULT_TIMEOUT) {
                outcome = r;
                state = 3;
                doneUs = rig.clock.nowUs();
                rig.ms.EnterProduct_state = 0;
            }
        }
        return true;
    }
};

struct CommandHandlerTest : ::testing::Test {
    LinkRig rig;
    std::unique_ptr<OneShotMachine> m;

    void start(int cmd) {
        m = std::make_unique<OneShotMachine>(OneShotMachine{rig, cmd});
        rig.ms.EnterProduct_state = 2;  // "in progress" while the test machine works
        rig.pump.setDispatch([this] { return m->step(); });
        rig.handler.wakeup();
    }
    bool runUntilDone(int ms = 5000) {
        return rig.scheduler.runFor(ms, [this] { return m->state == 3; });
    }
};

TEST(WatchBus, ResultTable) {
    LinkRig rig;
    // Idle handler, no command.
    EXPECT_EQ(rig.handler.WatchBus(0, true), RESULT_IDLE);
    EXPECT_EQ(rig.hs.RequestCmd.load(), 0);
    EXPECT_EQ(rig.handler.WatchBus(31, true), RESULT_BAD_COMMAND);
    // Accepted once, then in progress; another command is busy.
    EXPECT_EQ(rig.handler.WatchBus(IDENTIFICATION, true), RESULT_ACCEPTED);
    EXPECT_EQ(rig.hs.TxRequest.load(), 1);
    EXPECT_EQ(rig.handler.WatchBus(IDENTIFICATION, true), RESULT_IN_PROGRESS);
    EXPECT_EQ(rig.handler.WatchBus(MEMORY_READ, true), RESULT_BUSY);
    EXPECT_EQ(rig.handler.WatchBus(31, true), RESULT_BAD_COMMAND);
    // Timed out: without release it stays timed out, with release it is freed.
    rig.hs.CmdHandler_state = HANDLER_TIMEOUT;
    EXPECT_EQ(rig.handler.WatchBus(0, false), RESULT_TIMEOUT);
    EXPECT_EQ(rig.hs.CmdHandler_state.load(), HANDLER_TIMEOUT);
    EXPECT_EQ(rig.handler.WatchBus(0, true), RESULT_TIMEOUT);
    EXPECT_EQ(rig.hs.CmdHandler_state.load(), HANDLER_READY);
    EXPECT_EQ(rig.hs.RequestCmd.load(), 0);
    // Answered: the first caller consumes it.
    rig.hs.RequestCmd = IDENTIFICATION;
    rig.hs.CmdHandler_state = HANDLER_ANSWERED;
    EXPECT_EQ(rig.handler.WatchBus(0, false), RESULT_ANSWER_OK);
    EXPECT_EQ(rig.handler.WatchBus(0, false), RESULT_IDLE);
}

TEST(WatchBus, ValueFiveIsAcceptedButNeverSent) {
    LinkRig rig;
    EXPECT_EQ(rig.handler.WatchBus(5, true), RESULT_ACCEPTED);
    std::vector<QString> out;
    EXPECT_FALSE(rig.handler.step(out));
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(rig.lib.sent.empty());
    EXPECT_EQ(rig.handler.WatchBus(0, true), RESULT_IN_PROGRESS);
}

TEST_F(CommandHandlerTest, AnswerIsLoggedAndConsumed) {
    rig.lib.answerNext(0xF2, 0x00, {0, 37, 1, 0});
    start(IDENTIFICATION);
    ASSERT_TRUE(runUntilDone());
    EXPECT_EQ(m->outcome, RESULT_ANSWER_OK);
    EXPECT_EQ(rig.hs.RxBuffer_usb[10], 37);
    const QString log = rig.log.text();
    EXPECT_TRUE(log.startsWith("TX command: IDENTIFICATION. Data: 1.f2.2.2.0.2.\r\n..Rx: OK. Data: 1.f2.2.6.0.0.25.1.0.2c.\r\n"))
        << log.toStdString();
    ASSERT_EQ(rig.lib.sent.size(), 1u);
    EXPECT_EQ(rig.lib.sent[0][kDest], 0xF2);
}

TEST_F(CommandHandlerTest, SilentDeviceTimesOutBetween200And300Ms) {
    rig.clock.advanceTo(37'000);  // not aligned with the 100 ms tick
    start(IDENTIFICATION);
    ASSERT_TRUE(runUntilDone());
    EXPECT_EQ(m->outcome, RESULT_TIMEOUT);
    const double sentMs = 37.0;
    EXPECT_GT(m->doneUs / 1000.0 - sentMs, 200.0);
    EXPECT_LE(m->doneUs / 1000.0 - sentMs, 300.0 + 1.0);
    const QString log = rig.log.text();
    EXPECT_TRUE(log.contains("....Rx: TIMEOUT \r\n")) << log.toStdString();
    EXPECT_FALSE(log.contains("Rx: OK"));
}

TEST_F(CommandHandlerTest, LateMatchingAnswerIsATimeout) {
    rig.lib.answerNext(0xF2, 0x00, {0, 37, 1, 0}, 400'000);
    start(IDENTIFICATION);
    ASSERT_TRUE(runUntilDone());
    EXPECT_EQ(m->outcome, RESULT_TIMEOUT);
    EXPECT_FALSE(rig.log.text().contains("Rx: OK"));
}

TEST_F(CommandHandlerTest, ForeignAnswersAreIgnoredUntilTheTimeout) {
    rig.lib.answerNext(0xF1, 0x00, {1, 2, 3, 4});  // another destination
    start(IDENTIFICATION);
    ASSERT_TRUE(runUntilDone());
    EXPECT_EQ(m->outcome, RESULT_TIMEOUT);
}

TEST_F(CommandHandlerTest, BadChecksumIsStillAccepted) {
    rig.lib.answerNext(0xF2, 0x00, {0, 37, 1, 0}, 1000, true);
    start(IDENTIFICATION);
    ASSERT_TRUE(runUntilDone());
    EXPECT_EQ(m->outcome, RESULT_ANSWER_OK);
}

TEST_F(CommandHandlerTest, MbusSetupUpdatesSupplyAndDirectConnection) {
    rig.hs.Output_value = 0x837C;
    rig.hs.Baudrate_value = 1;
    rig.lib.answerNext(0xF1, 0x40, {0, 0x00});
    start(MBUS_SETUP);
    ASSERT_TRUE(runUntilDone());
    EXPECT_EQ(rig.hs.Product_supply.load(), 1);
    EXPECT_EQ(rig.hs.Cable_Module_DirectConnection.load(), 1);
    EXPECT_EQ(rig.lib.sent[0][17], 0x4B);
}

TEST_F(CommandHandlerTest, ProcessStaysInProgressUntilTheCounterDrains) {
    rig.lib.answerNext(0xF2, 0x00, {0, 37, 1, 0});
    start(IDENTIFICATION);
    ASSERT_TRUE(runUntilDone());
    EXPECT_GT(rig.hs.Rx_timeout_cnt.load(), 0);
    EXPECT_TRUE(rig.handler.ProcessIsInProgress(false));
    rig.scheduler.runFor(300);
    EXPECT_EQ(rig.hs.Rx_timeout_cnt.load(), 0);
    EXPECT_FALSE(rig.handler.ProcessIsInProgress(true));
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_TRUE(rig.log.text().endsWith("Stop thread \r\n"));
}

TEST(Gates, MessagesAndConsumption) {
    LinkRig rig;
    rig.ms.EnterProduct_state = 1;
    EXPECT_TRUE(rig.handler.ProcessIsInProgress(true));
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].text, "There is another process in progress");
    EXPECT_EQ(rig.dialogs.shown[0].caption, "Command");

    // An answer waiting for its machine is consumed by the gate: the machine then sees idle.
    rig.hs.RequestCmd = IDENTIFICATION;
    rig.hs.CmdHandler_state = HANDLER_ANSWERED;
    EXPECT_TRUE(rig.handler.CommandIsInProgress(true));
    EXPECT_EQ(rig.dialogs.shown.back().text, "There is another command in progress");
    EXPECT_EQ(rig.handler.WatchBus(0, true), RESULT_IDLE);
    EXPECT_FALSE(rig.handler.CommandIsInProgress(true));
    EXPECT_EQ(rig.dialogs.shown.size(), 2u);
}

TEST(Gates, StopAndReset) {
    LinkRig rig;
    rig.ms = {2, 2, 5, 3};
    rig.hs.RequestCmd = MEMORY_READ;
    rig.hs.CmdHandler_state = HANDLER_RECEIVE;
    rig.hs.Rx_timeout_cnt = 7;
    rig.progress.setProgressText("Reading", true);
    rig.handler.StopProcess();
    EXPECT_EQ(rig.ms.EnterProduct_state, 0);
    EXPECT_EQ(rig.ms.EnterInterface_state, 2);  // the interface machine is not touched
    EXPECT_EQ(rig.ms.EnterFunctions_state, kEnterFunctionsWaiting);
    EXPECT_EQ(rig.ms.EnterModule_state, kEnterModuleWaiting);
    EXPECT_EQ(rig.hs.RequestCmd.load(), 0);
    EXPECT_EQ(rig.hs.CmdHandler_state.load(), HANDLER_READY);
    EXPECT_FALSE(rig.progress.visible);
    EXPECT_GE(rig.pump.holdUntilUs(), 100'000);  // the device gets its quiet time

    rig.hs.RequestCmd = MEMORY_READ;
    rig.ms.EnterProduct_state = 1;
    rig.handler.ResetAllProcesses();
    EXPECT_EQ(rig.ms.EnterProduct_state, 3);
    EXPECT_EQ(rig.hs.RequestCmd.load(), MEMORY_READ);  // left to the caller
}

TEST(Gates, AStopDuringAPollIsNotUndoneByTheWorker) {
    struct Case {
        const char* name;
        bool answer;
    } cases[] = {{"answer arriving", true}, {"time-out running out", false}};
    for (const Case& c : cases) {
        LinkRig rig;
        if (c.answer) rig.lib.answerNext(0xF2, 0x00, {0, 37, 1, 0}, 0);
        ASSERT_EQ(rig.handler.WatchBus(IDENTIFICATION, true), RESULT_ACCEPTED);
        std::vector<QString> out;
        rig.handler.step(out);  // build
        rig.handler.step(out);  // send
        if (!c.answer) rig.hs.Rx_timeout_cnt = 1;
        rig.lib.duringPoll = [&] {
            rig.handler.StopProcess();
            rig.hs.Rx_timeout_cnt = 0;
        };
        out.clear();
        rig.handler.step(out);  // the poll, with the stop in the middle of it
        EXPECT_EQ(rig.hs.CmdHandler_state.load(), HANDLER_READY) << c.name;
        EXPECT_EQ(rig.handler.WatchBus(MBUS_SETUP, true), RESULT_ACCEPTED) << c.name;  // free for the next
        EXPECT_FALSE(out.size() > 1) << c.name;                                       // only the ".."
    }
}

TEST(Gates, WatchdogFreesAnUnconsumedTimeout) {
    LinkRig rig;
    rig.hs.RequestCmd = IDENTIFICATION;
    rig.hs.CmdHandler_state = HANDLER_TIMEOUT;
    rig.handler.watchdogFired();
    EXPECT_EQ(rig.handler.WatchBus(0, false), RESULT_ANSWER_OK);
    rig.hs.CmdHandler_state = HANDLER_RECEIVE;
    rig.handler.watchdogFired();
    EXPECT_EQ(rig.hs.CmdHandler_state.load(), HANDLER_RECEIVE);
}

// The watchdog started for one time-out must not turn a later one into an "answer" that its
// machine, still waiting for its step, would take as data.
TEST(Gates, WatchdogLeavesALaterTimeoutToItsMachine) {
    LinkRig rig;
    const auto timeOut = [&] {
        ASSERT_EQ(rig.handler.WatchBus(IDENTIFICATION, true), RESULT_ACCEPTED);
        rig.hs.Rx_timeout_val = 3;
        rig.handler.wakeup();
        ASSERT_TRUE(rig.scheduler.runFor(1000, [&] { return rig.hs.CmdHandler_state.load() == HANDLER_TIMEOUT; }));
    };
    timeOut();
    rig.handler.armWatchdog();
    EXPECT_EQ(rig.handler.WatchBus(0, true), RESULT_TIMEOUT);
    timeOut();
    rig.handler.watchdogFired();
    EXPECT_EQ(rig.handler.WatchBus(0, true), RESULT_TIMEOUT);
}

// A machine waiting with nothing to send is stepped about once a millisecond, whether it keeps its
// state or hands it back and forth.
TEST(Pump, IdleCyclesArePacedNotSpun) {
    struct Case {
        const char* name;
        int flipEvery;  // 0: the state never changes
    };
    for (const Case c : {Case{"StaysInItsState", 0}, Case{"FlipsBetweenTwoStates", 1}}) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.ms.EnterProduct_state = 2;  // a machine that never rests, with nothing to send
        int steps = 0;
        rig.pump.setDispatch([&] {
            ++steps;
            if (c.flipEvery != 0 && steps % c.flipEvery == 0) rig.ms.EnterProduct_state ^= 6;  // 2 <-> 4
            return true;
        });
        rig.handler.wakeup();
        rig.scheduler.runFor(100);
        EXPECT_GT(steps, 10);
        EXPECT_LE(steps, 150);  // about one cycle a millisecond
    }
}

// Steps that move a machine on are no waiting: a request made a few states after the machine was
// woken leaves at once, and after a wait only the cycle already paced comes between.
TEST(Pump, StepsThatMoveAMachineOnAreNotPaced) {
    struct Case {
        const char* name;
        int waitMs;  // the machine first waits in its state this long
        std::int64_t mostUs;
    };
    for (const Case c : {Case{"FromRest", 0, 0}, Case{"AfterAWait", 10, 1000}}) {
        SCOPED_TRACE(c.name);
        LinkRig rig;
        rig.ms.EnterProduct_state = 10;  // six states from here to the request
        bool released = c.waitMs == 0;
        std::optional<std::int64_t> acceptedUs;
        rig.pump.setDispatch([&] {
            if (!released || acceptedUs) return true;
            if (rig.ms.EnterProduct_state < 16) {
                ++rig.ms.EnterProduct_state;
            } else if (rig.handler.WatchBus(IDENTIFICATION, true) == RESULT_ACCEPTED) {
                acceptedUs = rig.clock.nowUs();
            }
            return true;
        });
        const std::int64_t startUs = rig.clock.nowUs();
        rig.handler.wakeup();
        if (c.waitMs > 0) rig.scheduler.runFor(c.waitMs);
        released = true;
        const std::int64_t releasedUs = c.waitMs > 0 ? rig.clock.nowUs() : startUs;
        rig.scheduler.runFor(50, [&] { return acceptedUs.has_value(); });
        ASSERT_TRUE(acceptedUs.has_value());
        EXPECT_LE(*acceptedUs - releasedUs, c.mostUs);
    }
}

TEST(Pump, BootModeStopsThePump) {
    LinkRig rig;
    rig.ms.EnterProduct_state = 2;
    rig.pump.setDispatch([] { return false; });
    rig.handler.wakeup();
    rig.scheduler.runFor(100);
    EXPECT_EQ(rig.pump.runs, 1);
    EXPECT_FALSE(rig.log.text().contains("Stop thread"));
}

}  // namespace
