#pragma once
// The pump: one handler step, then one machine step on the UI thread, strictly alternating, while
// any process is in progress. Steps that go to the device run on the worker. Drivers decide where
// and when a run happens: ThreadedPump (a worker thread, real time) and the virtual rig of the
// tests.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "link/PumpControl.h"

namespace dravik {

class Clock;
class CommandHandler;
class LogView;

class Pump : public PumpControl {
public:
    Pump(Clock& clock, CommandHandler& handler, LogView& log);

    // Steps 1-3 of a cycle (the machine step). Returns false when the pump must stop (boot mode).
    void setDispatch(std::function<bool()> dispatch) { dispatch_ = std::move(dispatch); }

    void wakeup() override;
    void hold(int ms) override;
    bool isBusy() const override { return running_ || scheduled_; }

    std::int64_t holdUntilUs() const { return holdUntilUs_; }

protected:
    // Start a worker run at (or as soon as possible after) the given time, never inside this call:
    // whoever woke the pump (a handler of the window, a machine step) returns first, so the lines
    // it logs after the wake-up come before the run's request line, as a worker's reports come
    // after the handler that started it.
    virtual void scheduleRun(std::int64_t atUs) = 0;

    // Driver hooks: beginRun(), then runHandlerStep() (on the worker, or on the UI thread when
    // nextRunStaysOffDevice()), then afterRun() on the UI thread.
    void beginRun();
    void runHandlerStep();
    // The handler step of the next run does not go to the device (it builds a request, or has
    // nothing to do): a driver may make the whole run on the UI thread, without a hand-over.
    bool nextRunStaysOffDevice() const;
    // The handler step of the next run sends a request: it does not wait for the device's answer.
    bool nextRunOnlySends() const;
    void afterRun();

    Clock& clock_;

private:
    CommandHandler& handler_;
    LogView& log_;
    std::function<bool()> dispatch_;
    std::vector<QString> texts_;
    std::int64_t holdUntilUs_ = 0;
    bool running_ = false;
    bool scheduled_ = false;
    bool lastRunIdle_ = false;
    int idleRuns_ = 0;     // runs in a row in which the handler had nothing to do
    int stalledRuns_ = 0;  // the last of them in which no machine changed its state
};

}  // namespace dravik
