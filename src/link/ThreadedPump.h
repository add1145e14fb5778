#pragma once
// The pump on a worker thread (backgroundWorker2): handler steps run there, machine steps run on
// the UI thread when the worker reports back.
//
// Hand-over: waking a sleeping thread on an idle core costs tens of microseconds, more than a
// whole exchange with a fast device. So after a run that finished quickly each side waits a few
// microseconds, actively, for the other before it sleeps; the UI thread then takes the result at
// once instead of through its event queue. Runs that waited for the device (a receive poll) skip
// this, so a wait for a slow device costs no CPU. The UI thread returns to its event loop at least
// every couple of milliseconds, so the window never stops answering.
//
// A run whose handler step does not go to the device (building the next request, or nothing: the
// machine steps between an answer and the next request) is made on the UI thread without waking
// the worker; the worker sends and polls. A device pause ends on time: the worker waits out its
// last milliseconds, which the event loop's timers cannot time.
//
// A run never starts inside the call that asked for it: a wake-up from a handler of the window
// makes its run after that handler returns, and one from a machine step after that step returns.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "link/Pump.h"

namespace dravik {

class ThreadedPump : public QObject, public Pump {
    Q_OBJECT
public:
    ThreadedPump(Clock& clock, CommandHandler& handler, LogView& log, QObject* parent = nullptr);
    ~ThreadedPump() override;

signals:
    // Emitted by the worker when the UI thread stopped waiting for its run (queued to the UI).
    void runHandedOver();

protected:
    void scheduleRun(std::int64_t atUs) override;

private:
    enum Phase : int { kIdle, kRunning, kFinished, kClaimed, kPosted, kHandedOver };

    void startNow();
    void takeHandedOverRun();
    // Makes runs while one is asked for, each after the machine step of the one before; with
    // finishHandedOverRun, first the machine step of the run the worker handed over.
    void runCycles(bool finishHandedOverRun);
    // Starts a worker run, which waits until notBeforeUs (clock time) before its handler step.
    void launch(std::int64_t notBeforeUs);
    // After a launch: true when the run finished within a brief active wait (quick: the run is
    // expected to be quick), false when its result will come through the event queue.
    bool waitBriefly(bool quick);
    void workerLoop();

    QTimer holdTimer_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::atomic<bool> go_{false};
    bool quit_ = false;
    std::int64_t notBeforeUs_ = 0;  // under mutex_
    std::atomic<int> phase_{kIdle};
    std::atomic<bool> lastRunFast_{false};
    bool inDirectLoop_ = false;
    bool startPending_ = false;
};

}  // namespace dravik
