#pragma once
// A background worker with one job at a time whose result is handed back on the UI thread
// (the device count). Optionally starts its job after a pause.

#include <QObject>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "app/Mailbox.h"
#include "connection/AsyncRunner.h"

namespace dravik {

class WorkerThread final : public QObject, public AsyncRunner {
    Q_OBJECT
public:
    explicit WorkerThread(QObject* parent = nullptr);
    ~WorkerThread() override;

    bool isBusy() const override { return busy_; }
    void start(std::function<int()> work, std::function<void(int)> done, int delayMs = 0) override;

private:
    void launch();
    void loop();

    QTimer delay_;
    Mailbox results_;
    std::function<int()> work_;
    std::function<void(int)> done_;
    bool busy_ = false;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool go_ = false;
    bool quit_ = false;
};


}  // namespace dravik
