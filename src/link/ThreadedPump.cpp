#include "link/ThreadedPump.h"

#include <chrono>

#include "link/Clock.h"

namespace dravik {

namespace {
using SteadyClock = std::chrono::steady_clock;
// How long one side actively waits for the other after a quick run.
constexpr auto kSpin = std::chrono::microseconds(25);
// A run faster than this did not wait for the device.
constexpr auto kFastRun = std::chrono::microseconds(200);
// The longest stretch of directly chained cycles before the event loop gets its turn.
constexpr auto kDirectSlice = std::chrono::milliseconds(2);

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
        startNow();
    } else {
        holdTimer_.start(static_cast<int>((delayUs + 999) / 1000));
    }
}

void ThreadedPump::startNow() {
    if (inDirectLoop_) {
        // Called from a machine step inside the loop below: the loop starts the run.
        startPending_ = true;
        return;
    }
    inDirectLoop_ = true;
    const auto sliceEnd = SteadyClock::now() + kDirectSlice;
    do {
        startPending_ = false;
        launch();
        if (!waitBriefly()) break;  // the result comes through the event queue
        afterRun();
        if (startPending_ && SteadyClock::now() >= sliceEnd) {
            // Let timers and the user in before the next run.
            startPending_ = false;
            QMetaObject::invokeMethod(this, [this] { startNow(); }, Qt::QueuedConnection);
        }
    } while (startPending_);
    inDirectLoop_ = false;
}

void ThreadedPump::launch() {
    beginRun();
    phase_.store(kRunning, std::memory_order_release);
    {
        std::lock_guard lock(mutex_);
        go_.store(true, std::memory_order_release);
    }
    cv_.notify_one();
}

bool ThreadedPump::waitBriefly() {
    if (lastRunFast_.load(std::memory_order_acquire)) {
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
        }
        const auto t0 = SteadyClock::now();
        runOnWorker();
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
    afterRun();
}

}  // namespace dravik
