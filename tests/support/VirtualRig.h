#pragma once
// Virtual time for tests: the pump's exact order (handler step, timers that came due, machine
// step), periodic timers and single-shot timers, with no real waiting. A 2.5 s time-out costs
// microseconds and every run gives the same log.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "link/Clock.h"
#include "link/OneShotTimer.h"
#include "link/Pump.h"

namespace dravik::test {

class VirtualScheduler;

// Clock whose sleeps (the worker's receive waits) let the 100 ms countdown tick meanwhile.
class RigClock final : public Clock {
public:
    std::int64_t nowUs() const override { return now_; }
    void sleepUs(std::int64_t us) override;
    void advanceTo(std::int64_t us);
    VirtualScheduler* scheduler = nullptr;

private:
    friend class VirtualScheduler;
    std::int64_t now_ = 0;
};

class VirtualTimer final : public OneShotTimer {
public:
    VirtualTimer(RigClock& clock, int periodMs, bool singleShot, bool ticksDuringWorker,
                 std::function<void()> onFire);
    void start(int ms) override;
    void start() { start(periodMs_); }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

private:
    friend class VirtualScheduler;
    RigClock& clock_;
    int periodMs_;
    bool singleShot_;
    bool duringWorker_;
    bool active_ = false;
    std::int64_t nextUs_ = 0;
    std::function<void()> onFire_;
};

// The pump on virtual time. Besides the plain order (a run when its time comes, between other
// events) it can produce the orderings of the threaded pump that a test must be able to meet:
// - inlineWakeups: a wake-up with nothing to wait for runs a whole cycle (worker run and machine
//   step) inside wakeup(). The threaded pump once did; it no longer may (a caller's log lines
//   would follow the run's), but no starter may depend on that either;
// - stepDelayUs: the UI thread comes to the machine step that long after the worker run ended,
//   and the timers that come due meanwhile (a 100 ms tick, the automatic connection) run first.
class VirtualPump final : public Pump {
public:
    VirtualPump(Clock& clock, CommandHandler& handler, LogView& log, VirtualScheduler& scheduler)
        : Pump(clock, handler, log), scheduler_(scheduler) {}
    std::optional<std::int64_t> pendingUs;
    int runs = 0;
    int inlineRuns = 0;
    bool inlineWakeups = false;
    std::function<std::int64_t()> stepDelayUs;
    // One worker run, then the timers that came due meanwhile, then the machine step.
    void runOnce();

protected:
    void scheduleRun(std::int64_t atUs) override;

private:
    VirtualScheduler& scheduler_;
    bool inRun_ = false;
};

class VirtualScheduler {
public:
    explicit VirtualScheduler(RigClock& clock) : clock_(clock) { clock_.scheduler = this; }

    VirtualTimer& addTimer(int periodMs, bool singleShot, bool ticksDuringWorker, std::function<void()> onFire);
    void setPump(VirtualPump* pump) { pump_ = pump; }

    // Runs events until the clock reaches the deadline or pred() holds (checked between events).
    bool runUntil(std::int64_t deadlineUs, const std::function<bool()>& pred = {});
    bool runFor(int ms, const std::function<bool()>& pred = {}) {
        return runUntil(clock_.nowUs() + std::int64_t{ms} * 1000, pred);
    }
    // Fires timers due at or before t, in time order; only the worker-time ones when asked.
    void fireDue(std::int64_t t, bool workerOnly);
    void advanceTo(std::int64_t us) { clock_.advanceTo(us); }

private:
    RigClock& clock_;
    VirtualPump* pump_ = nullptr;
    std::vector<std::unique_ptr<VirtualTimer>> timers_;
};

}  // namespace dravik::test
