#include "support/VirtualRig.h"

#include <limits>

namespace dravik::test {

void RigClock::sleepUs(std::int64_t us) {
    if (us <= 0) return;
    const std::int64_t target = now_ + us;
    if (scheduler != nullptr) scheduler->fireDue(target, true);
    now_ = std::max(now_, target);
}

void RigClock::advanceTo(std::int64_t us) {
    if (us > now_) now_ = us;
}

VirtualTimer::VirtualTimer(RigClock& clock, int periodMs, bool singleShot, bool ticksDuringWorker,
                           std::function<void()> onFire)
    : clock_(clock), periodMs_(periodMs), singleShot_(singleShot), duringWorker_(ticksDuringWorker),
      onFire_(std::move(onFire)) {}

void VirtualTimer::start(int ms) {
    periodMs_ = ms;
    active_ = true;
    nextUs_ = clock_.nowUs() + std::int64_t{ms} * 1000;
}

void VirtualPump::scheduleRun(std::int64_t atUs) {
    if (inlineWakeups && !inRun_ && atUs <= clock_.nowUs()) {
        ++inlineRuns;
        runOnce();
        return;
    }
    pendingUs = atUs;
}

void VirtualPump::runOnce() {
    pendingUs.reset();
    ++runs;
    inRun_ = true;
    beginRun();
    runHandlerStep();
    const std::int64_t gap = stepDelayUs ? std::max<std::int64_t>(stepDelayUs(), 0) : 0;
    const std::int64_t stepUs = clock_.nowUs() + gap;
    scheduler_.fireDue(stepUs, false);
    scheduler_.advanceTo(stepUs);
    inRun_ = false;
    afterRun();
}

VirtualTimer& VirtualScheduler::addTimer(int periodMs, bool singleShot, bool ticksDuringWorker,
                                         std::function<void()> onFire) {
    timers_.push_back(std::make_unique<VirtualTimer>(clock_, periodMs, singleShot, ticksDuringWorker, std::move(onFire)));
    return *timers_.back();
}

void VirtualScheduler::fireDue(std::int64_t t, bool workerOnly) {
    for (;;) {
        VirtualTimer* first = nullptr;
        for (auto& tm : timers_) {
            if (!tm->active_ || tm->nextUs_ > t || (workerOnly && !tm->duringWorker_)) continue;
            if (first == nullptr || tm->nextUs_ < first->nextUs_) first = tm.get();
        }
        if (first == nullptr) return;
        clock_.advanceTo(first->nextUs_);
        if (first->singleShot_) {
            first->active_ = false;
        } else {
            first->nextUs_ += std::int64_t{first->periodMs_} * 1000;
        }
        first->onFire_();
    }
}

bool VirtualScheduler::runUntil(std::int64_t deadlineUs, const std::function<bool()>& pred) {
    for (;;) {
        if (pred && pred()) return true;
        std::int64_t nextTimer = std::numeric_limits<std::int64_t>::max();
        for (auto& tm : timers_)
            if (tm->active_) nextTimer = std::min(nextTimer, tm->nextUs_);
        if (pump_ != nullptr && pump_->pendingUs && *pump_->pendingUs <= nextTimer && *pump_->pendingUs <= deadlineUs) {
            clock_.advanceTo(*pump_->pendingUs);
            pump_->runOnce();
            continue;
        }
        if (nextTimer > deadlineUs) {
            clock_.advanceTo(deadlineUs);
            return pred ? pred() : false;
        }
        fireDue(nextTimer, false);
    }
}

}  // namespace dravik::test
