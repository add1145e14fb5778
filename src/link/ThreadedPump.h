#pragma once
// The pump on a worker thread (backgroundWorker2): handler steps run there, machine steps run on
// the UI thread when the worker reports back.

#include <QObject>
#include <QTimer>
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

protected:
    void scheduleRun(std::int64_t atUs) override;

private:
    void startNow();
    void workerLoop();

    QTimer holdTimer_;
    std::thread worker_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool go_ = false;
    bool quit_ = false;
};

}  // namespace dravik
