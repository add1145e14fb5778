#include "app/Mailbox.h"

#include <utility>

namespace dravik {

Mailbox::Mailbox(QObject* parent) : QObject(parent) {
    connect(this, &Mailbox::posted, this, &Mailbox::runPosted, Qt::QueuedConnection);
}

void Mailbox::post(std::function<void()> function) {
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(function));
    }
    emit posted();
}

// One call per post; a call may find the queue already emptied by an earlier one.
void Mailbox::runPosted() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        next();
    }
}

}  // namespace dravik
