#include "app/FirmwareWorker.h"

namespace dravik {

FirmwareWorker::~FirmwareWorker() {
    if (thread_.joinable()) thread_.join();
}

void FirmwareWorker::start(std::function<bool(const Report&)> work, Report progress,
                           std::function<void(bool, bool)> done) {
    if (busy_) return;
    busy_ = true;
    if (thread_.joinable()) thread_.join();  // the previous run has ended; only its thread is left
    thread_ =
        std::thread([this, work = std::move(work), progress = std::move(progress), done = std::move(done)] {
            const Report post = [this, progress](int percent, const QString& text) {
                reports_.post([progress, percent, text] { progress(percent, text); });
            };
            bool result = false;
            bool completed = true;
            try {
                result = work(post);
            } catch (...) {
                completed = false;  // the worker ended with an error: no message, the window recovers
            }
            reports_.post([this, done, completed, result] {
                busy_ = false;
                done(completed, result);
            });
        });
}

}  // namespace dravik
