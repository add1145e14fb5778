#pragma once
// Functions handed from worker threads to the thread that owns the mailbox (the UI thread), run
// there in the order they were posted. The functions travel through a queue under our own lock,
// so everything a worker did before posting is visible to the function when it runs, to the
// thread sanitizer too (Qt's event queue locks are invisible to it).

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace dravik {

class Mailbox final : public QObject {
    Q_OBJECT
  public:
    explicit Mailbox(QObject* parent = nullptr);

    // From any thread.
    void post(std::function<void()> function);

  signals:
    void posted();

  private:
    void runPosted();

    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace dravik
