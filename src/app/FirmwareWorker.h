#pragma once
// backgroundWorker1: runs the firmware download on its own thread; progress and the end are
// handed to the window's thread in the order they happened.

#include <QObject>
#include <thread>

#include "app/Mailbox.h"
#include "firmware/FirmwareView.h"

namespace dravik {

class FirmwareWorker final : public QObject, public FirmwareRunner {
    Q_OBJECT
  public:
    explicit FirmwareWorker(QObject* parent = nullptr) : QObject(parent) {}
    // A download cannot be abandoned half-way: closing the window waits for it to end.
    ~FirmwareWorker() override;

    bool isBusy() const override { return busy_; }
    void start(std::function<bool(const Report&)> work, Report progress,
               std::function<void(bool, bool)> done) override;

  private:
    bool busy_ = false;
    Mailbox reports_;
    std::thread thread_;
};

}  // namespace dravik
