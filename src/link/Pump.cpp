#include "link/Pump.h"

#include <algorithm>

#include "link/Clock.h"
#include "link/CommandHandler.h"
#include "link/Views.h"

namespace dravik {

namespace {
// A machine may wait in a non-resting state while the handler has nothing to do; such cycles are
// paced so that they cannot spin a core. A cycle in which a machine moved on to another state is
// no wait (a pass steps through a few states between an answer and its next request), but a
// long enough chain of them is paced all the same, in case machines hand a state back and forth.
constexpr int kStalledRunsBeforePacing = 2;
constexpr int kIdleRunsBeforePacing = 32;
constexpr int kIdlePaceMs = 1;
}  // namespace

Pump::Pump(Clock& clock, CommandHandler& handler, LogView& log) : clock_(clock), handler_(handler), log_(log) {
    handler_.setPump(this);
}

void Pump::wakeup() {
    if (running_ || scheduled_) return;
    scheduled_ = true;
    // A machine that has just handed the handler its request is not waiting: the request leaves now.
    const bool waiting = stalledRuns_ >= kStalledRunsBeforePacing || idleRuns_ >= kIdleRunsBeforePacing;
    if (waiting && !handler_.handlerHasWork()) hold(kIdlePaceMs);
    scheduleRun(std::max(clock_.nowUs(), holdUntilUs_));
}

void Pump::hold(int ms) { holdUntilUs_ = std::max(holdUntilUs_, clock_.nowUs() + std::int64_t{ms} * 1000); }

void Pump::beginRun() {
    scheduled_ = false;
    running_ = true;
}

void Pump::runHandlerStep() {
    texts_.clear();
    lastRunIdle_ = !handler_.step(texts_);
}

bool Pump::nextRunStaysOffDevice() const { return !handler_.nextStepUsesDevice(); }

bool Pump::nextRunOnlySends() const { return handler_.nextStepSends(); }

void Pump::afterRun() {
    for (const QString& t : texts_)
        if (!t.isEmpty()) log_.appendLog(t);
    texts_.clear();
    running_ = false;
    if (handler_.takeLibraryResult()) {
        // A library request is no handler step: no machine step follows it, and the pump stops
        // quietly unless something was started meanwhile.
        idleRuns_ = stalledRuns_ = 0;
        if (handler_.ProcessIsInProgress(false)) wakeup();
        return;
    }
    const MachineStates before = handler_.machines();
    if (dispatch_ && !dispatch_()) return;
    if (!lastRunIdle_) {
        idleRuns_ = stalledRuns_ = 0;
    } else {
        ++idleRuns_;
        stalledRuns_ = handler_.machines() == before ? stalledRuns_ + 1 : 0;
    }
    if (handler_.ProcessIsInProgress(false)) {
        wakeup();
    } else if (!scheduled_) {
        idleRuns_ = stalledRuns_ = 0;
        log_.appendLog(QStringLiteral("Stop thread \r\n"));
    }
}

}  // namespace dravik
