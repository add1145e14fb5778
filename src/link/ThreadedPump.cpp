#include "link/ThreadedPump.h"

#include "link/Clock.h"

namespace dravik {

ThreadedPump::ThreadedPump(Clock& clock, CommandHandler& handler, LogView& log, QObject* parent)
    : QObject(parent), Pump(clock, handler, log) {
    holdTimer_.setSingleShot(true);
    holdTimer_.setTimerType(Qt::PreciseTimer);
    connect(&holdTimer_, &QTimer::timeout, this, [this] { startNow(); });
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
    beginRun();
    {
        std::lock_guard lock(mutex_);
        go_ = true;
    }
    cv_.notify_one();
}

void ThreadedPump::workerLoop() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return go_ || quit_; });
            if (quit_) return;
            go_ = false;
        }
        runOnWorker();
        QMetaObject::invokeMethod(this, [this] { afterRun(); }, Qt::QueuedConnection);
    }
}

}  // namespace dravik
