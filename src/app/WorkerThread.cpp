#include "app/WorkerThread.h"

namespace dravik {

WorkerThread::WorkerThread(QObject* parent) : QObject(parent) {
    delay_.setSingleShot(true);
    connect(&delay_, &QTimer::timeout, this, [this] { launch(); });
    thread_ = std::thread([this] { loop(); });
}

WorkerThread::~WorkerThread() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_one();
    thread_.join();
}

void WorkerThread::start(std::function<int()> work, std::function<void(int)> done, int delayMs) {
    if (busy_) return;
    busy_ = true;
    work_ = std::move(work);
    done_ = std::move(done);
    if (delayMs > 0) {
        delay_.start(delayMs);
    } else {
        launch();
    }
}

void WorkerThread::launch() {
    {
        std::lock_guard lock(mutex_);
        go_ = true;
    }
    cv_.notify_one();
}

void WorkerThread::loop() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            cv_.wait(lock, [this] { return go_ || quit_; });
            if (quit_) return;
            go_ = false;
        }
        const int result = work_();
        results_.post([this, result] {
            busy_ = false;
            auto done = done_;
            done(result);
        });
    }
}

}  // namespace dravik
