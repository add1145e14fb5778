#pragma once
// One device transaction at a time: build, send, poll until answered or timed out.
// The worker side is step(); everything else runs on the UI thread.

#include <QString>
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
    bool ProcessIsInProgress(bool showMessage);
    bool CommandIsInProgress(bool showMessage);
    void ResetAllProcesses();
    void StopProcess();

    // timer1, every 100 ms: the receive time-out countdown.
    void tick100ms();
    // timerHandler fired: a time-out nobody consumed becomes an answered (freeable) state.
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
};

}  // namespace dravik
