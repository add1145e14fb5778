#pragma once
// One device transaction at a time: build, send, poll until answered or timed out.
// The worker side is step(); everything else runs on the UI thread.

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "link/HandlerState.h"
#include "link/PumpControl.h"
#include "link/Views.h"

namespace dravik {

class InterfaceLibrary;

class CommandHandler {
public:
    CommandHandler(HandlerState& state, MachineStates& machines, InterfaceLibrary& lib, Dialogs& dialogs,
                   ProgressView& progress);

    void setPump(PumpControl* pump) { pump_ = pump; }

    // Worker side: one handler step. Appends progress texts to out; returns true when the step
    // built, sent or polled (false when the handler had nothing to do).
    bool step(std::vector<QString>& out);

    // UI side.
    CmdHandler_Result_ENUM WatchBus(int cmd, bool release);
    void SendCommand(int cmd, bool immediate);
    void wakeup();

    // The one place an operation starts (user operations, the automatic connection, and the
    // chained module operations alike). The caller has already passed its gate tests;
    // setStartState puts the operation's machine into its start state (with its operation code
    // and selector). Only then is the pump woken, so that a cycle always finds the machine
    // started, whenever the pump's driver makes it.
    void startOperation(const std::function<void()>& setStartState);

    // A request the library performs whole, with its own time-out (the test page's). It runs on
    // the worker in place of a handler step, so it never meets a handler exchange on the wire,
    // and done gets its result on the UI thread after that run. Until then a process is in
    // progress. Started through startOperation; false (nothing started) after a halt or while
    // another library request is under way.
    bool startLibraryRequest(std::function<int(InterfaceLibrary&)> request, std::function<void(int)> done);
    // UI side, after each worker run: hands a finished library request's result to its done.
    // True when it did (that run was the library request's, not a handler step).
    bool takeLibraryResult();

    // The next worker run has something to do: a library request to make, or a request to build,
    // send or poll.
    bool handlerHasWork() const;
    // The next step goes to the device: a library request, a send or a receive poll. Any other step
    // (building a request, or nothing) is quick and may run on the UI thread.
    bool nextStepUsesDevice() const;
    // The next step sends the built request: it does not wait for an answer.
    bool nextStepSends() const { return s_.CmdHandler_state.load() == HANDLER_SEND; }
    // Some machine waits for its next step, or the handler for its next run. The pump must not
    // rest in this condition (the controller's tick wakes a pump found resting in it).
    bool machineAwaitsPump() const;
    // A product connection, read, write or module operation is under way: the panels are being
    // filled or written. The interface machine and a lone command (the automatic connection's
    // check) do not count, nor do machines that have not been started since the program began.
    bool panelOperationRunning() const;
    bool ProcessIsInProgress(bool showMessage);
    bool CommandIsInProgress(bool showMessage);
    void ResetAllProcesses();
    void StopProcess();

    // After a failure that ends the program: nothing more is sent. The handler is freed, every
    // machine put at rest, and no command is accepted any more.
    void halt();
    bool halted() const { return halted_; }

    // timer1, every 100 ms: the receive time-out countdown.
    void tick100ms();
    // timerHandler started for the time-out the handler holds now, and fired: if that time-out
    // is still unconsumed it becomes an answered (freeable) state.
    void armWatchdog();
    void watchdogFired();

    HandlerState& state() { return s_; }
    MachineStates& machines() { return m_; }

private:
    HandlerState& s_;
    MachineStates& m_;
    InterfaceLibrary& lib_;
    Dialogs& dialogs_;
    ProgressView& progress_;
    PumpControl* pump_ = nullptr;
    std::atomic<bool> halted_{false};
    // The library request: queued on the UI thread, run on the worker, finished on the UI thread.
    // The pump's alternation hands the function and the result over; the phase tells the gating
    // tests, which the UI thread may run while the request is on the wire.
    enum LibraryPhase : int { kLibraryNone, kLibraryQueued, kLibraryDone };
    std::atomic<int> libraryPhase_{kLibraryNone};
    std::function<int(InterfaceLibrary&)> libraryRequest_;
    std::function<void(int)> libraryDone_;
    int libraryResult_ = 0;
    std::atomic<std::uint32_t> timeouts_{0};  // time-outs so far
    std::uint32_t watchdogTimeout_ = 0;       // the one the watchdog was started for
};

}  // namespace dravik
