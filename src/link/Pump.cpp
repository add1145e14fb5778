#include "link/Pump.h"

#include <algorithm>

#include "link/Clock.h"
#include "link/CommandHandler.h"
#include "link/Views.h"

namespace dravik {

namespace {
// A machine may wait in a non-resting state while the handler has nothing to do; such cycles are
// paced so that they cannot spin a core.
constexpr int kIdleRunsBeforePacing = 2;
constexpr int kIdlePaceMs = 1;
}  // namespace

Pump::Pump(Clock& clock, CommandHandler& handler, LogView& log) : clock_(clock), handler_(handler), log_(log) {
    handler_.setPump(this);
}

void Pump::wakeup() {
    if (running_ || scheduled_) return;
    scheduled_ = true;
    if (idleRuns_ >= kIdleRunsBeforePacing) hold(kIdlePaceMs);
    scheduleRun(std::max(clock_.nowUs(), holdUntilUs_));
}

void Pump::hold(int ms) { holdUntilUs_ = std::max(holdUntilUs_, clock_.nowUs() + std::int64_t{ms} * 1000); }

void Pump::beginRun() {
    scheduled_ = false;
    running_ = true;
}

void Pump::runOnWorker() {
    texts_.clear();
    lastRunIdle_ = !handler_.step(texts_);
}

void Pump::afterRun() {
    for (const QString& t : texts_)
        if (!t.isEmpty()) log_.appendLog(t);
    texts_.clear();
    idleRuns_ = lastRunIdle_ ? idleRuns_ + 1 : 0;
    running_ = false;
    if (handler_.takeLibraryResult()) {
        // A library request is no handler step: no machine step follows it, and the pump stops
        // quietly unless something was started meanwhile.
        if (handler_.ProcessIsInProgress(false)) wakeup();
        return;
    }
    if (dispatch_ && !dispatch_()) return;
    if (handler_.ProcessIsInProgress(false)) {
        wakeup();
    } else if (!scheduled_) {
        idleRuns_ = 0;
        log_.appendLog(QStringLiteral("Stop thread \r\n"));
    }
}

}  // namespace dravik
