#pragma once
// The command handler and pump on virtual time with a scriptable library and a test machine.

#include <functional>

#include "link/CommandHandler.h"
#include "link/HandlerState.h"
#include "support/FakeLibrary.h"
#include "support/RecordingViews.h"
#include "support/VirtualRig.h"

namespace dravik::test {

struct LinkRig {
    RigClock clock;
    VirtualScheduler scheduler{clock};
    FakeLibrary lib{clock};
    HandlerState hs;
    MachineStates ms;
    RecordingLog log;
    RecordingDialogs dialogs;
    RecordingProgress progress;
    CommandHandler handler{hs, ms, lib, dialogs, progress};
    VirtualPump pump{clock, handler, log, scheduler};
    VirtualTimer& timer1 = scheduler.addTimer(100, false, true, [this] { handler.tick100ms(); });

    LinkRig() {
        // Machines at rest, so that the pump stops once a test machine is done.
        ms.EnterFunctions_state = kEnterFunctionsWaiting;
        scheduler.setPump(&pump);
        timer1.start();
    }
    double nowMs() const { return static_cast<double>(clock.nowUs()) / 1000.0; }
};

}  // namespace dravik::test
