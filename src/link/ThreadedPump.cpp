#include "link/ThreadedPump.h"

#include <chrono>

#include "link/Clock.h"
#include "platform/ThreadTiming.h"

namespace dravik {

namespace {
using SteadyClock = std::chrono::steady_clock;
// How long one side actively waits for the other after a quick run.
constexpr auto kSpin = std::chrono::microseconds(25);
// A run faster than this did not wait for the device.
constexpr auto kFastRun = std::chrono::microseconds(200);
// The longest stretch of directly chained cycles before the event loop gets its turn.
constexpr auto kDirectSlice = std::chrono::milliseconds(2);
// A hold at least this long (a device pause) is timed to the microsecond: the event loop's timer
// (whole milliseconds, and late under load) fires this much early, and the worker waits the rest.
constexpr std::int64_t kPreciseHoldUs = 5000;
constexpr std::int64_t kTimerEarlyUs = 2000;

inline void cpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}
}  // namespace

ThreadedPump::ThreadedPump(Clock& clock, CommandHandler& handler, LogView& log, QObject* parent)
    : QObject(parent), Pump(clock, handler, log) {
    holdTimer_.setSingleShot(true);
    holdTimer_.setTimerType(Qt::PreciseTimer);
    connect(&holdTimer_, &QTimer::timeout, this, [this] { startNow(); });
    connect(this, &ThreadedPump::runHandedOver, this, &ThreadedPump::takeHandedOverRun, Qt::QueuedConnection);
    worker_ = std::thread([this] { workerLoop(); });
}

ThreadedPump::~ThreadedPump() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_one();
    worker_.join();
}

void ThreadedPump::scheduleRun(std::int64_t atUs) {
    const std::int64_t delayUs = atUs - clock_.nowUs();
    if (delayUs <= 0) {
        if (inDirectLoop_) {
            // Asked from a machine step: the loop below makes the run once the step has returned.
            startPending_ = true;
        } else {
            // Asked from a handler of the window (a timer, a click): the run is made once that
            // handler has returned, so whatever it logs after the wake-up comes before the run's
            // request line.
            QMetaObject::invokeMethod(this, [this] { startNow(); }, Qt::QueuedConnection);
        }
    } else if (delayUs >= kPreciseHoldUs) {
        holdTimer_.start(static_cast<int>((delayUs - kTimerEarlyUs) / 1000));
    } else {
        holdTimer_.start(static_cast<int>((delayUs + 999) / 1000));
    }
}

void ThreadedPump::startNow() { runCycles(false); }

void ThreadedPump::runCycles(bool finishHandedOverRun) {
    if (inDirectLoop_) {
        // Called from a machine step inside the loop below (a message box's event loop): the loop
        // starts the next run.
        if (finishHandedOverRun) {
            afterRun();
        } else {
            startPending_ = true;
        }
        return;
    }
    inDirectLoop_ = true;
    const auto sliceEnd = SteadyClock::now() + kDirectSlice;
    startPending_ = !finishHandedOverRun;
    if (finishHandedOverRun) afterRun();
    while (startPending_) {
        startPending_ = false;
        if (clock_.nowUs() < holdUntilUs()) {
            // The hold's timer fired early on purpose: the worker waits out the rest of the hold.
            launch(holdUntilUs());
            if (!waitBriefly(false)) break;
        } else if (nextRunStaysOffDevice()) {
            // Nothing that waits on the device: the run is made here, without waking the worker.
            beginRun();
            runHandlerStep();
        } else {
            const bool quick = nextRunOnlySends() || lastRunFast_.load(std::memory_order_acquire);
            launch(0);
            if (!waitBriefly(quick)) break;  // the result comes through the event queue
        }
        afterRun();
        if (startPending_ && SteadyClock::now() >= sliceEnd) {
            // Let timers and the user in before the next run.
            startPending_ = false;
            QMetaObject::invokeMethod(this, [this] { startNow(); }, Qt::QueuedConnection);
        }
    }
    inDirectLoop_ = false;
}

void ThreadedPump::launch(std::int64_t notBeforeUs) {
    beginRun();
    phase_.store(kRunning, std::memory_order_release);
    {
        std::lock_guard lock(mutex_);
        notBeforeUs_ = notBeforeUs;
        go_.store(true, std::memory_order_release);
    }
    cv_.notify_one();
}

bool ThreadedPump::waitBriefly(bool quick) {
    if (quick) {
        const auto until = SteadyClock::now() + kSpin;
        while (SteadyClock::now() < until) {
            if (phase_.load(std::memory_order_acquire) == kFinished) break;
            cpuRelax();
        }
    }
    int expected = kFinished;
    if (phase_.compare_exchange_strong(expected, kClaimed, std::memory_order_acq_rel)) return true;
    expected = kRunning;
    if (phase_.compare_exchange_strong(expected, kPosted, std::memory_order_acq_rel)) return false;
    // The worker finished between the two checks.
    phase_.store(kClaimed, std::memory_order_release);
    return true;
}

void ThreadedPump::workerLoop() {
    // The waits here (a hold's last milliseconds, the simulated bench's receive poll) end when
    // they are due.
    preciseTimedWaits();
    for (;;) {
        if (lastRunFast_.load(std::memory_order_relaxed)) {
            const auto until = SteadyClock::now() + kSpin;
            while (!go_.load(std::memory_order_acquire) && SteadyClock::now() < until) cpuRelax();
        }
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return go_.load(std::memory_order_acquire) || quit_; });
            if (quit_) return;
            go_.store(false, std::memory_order_relaxed);
            const std::int64_t waitUs = notBeforeUs_ - clock_.nowUs();
            if (waitUs > 0 &&
                cv_.wait_for(lock, std::chrono::microseconds(waitUs), [this] { return quit_; }))
                return;
        }
        const auto t0 = SteadyClock::now();
        runHandlerStep();
        lastRunFast_.store(SteadyClock::now() - t0 < kFastRun, std::memory_order_release);
        int expected = kRunning;
        if (phase_.compare_exchange_strong(expected, kFinished, std::memory_order_acq_rel)) continue;
        // The UI thread stopped waiting: report through its event queue. The run's results are
        // published by the store below and taken by the acquiring exchange on the UI thread, so
        // the hand-over does not rest on the event queue's locking alone.
        phase_.store(kHandedOver, std::memory_order_release);
        emit runHandedOver();
    }
}

void ThreadedPump::takeHandedOverRun() {
    phase_.exchange(kClaimed, std::memory_order_acq_rel);
    runCycles(true);
}

}  // namespace dravik
