#pragma once
// Runs a piece of work off the UI thread and hands its result back on the UI thread
// (the device count worker). Tests run it on virtual time.

#include <functional>

namespace dravik {

class AsyncRunner {
public:
    virtual ~AsyncRunner() = default;
    virtual bool isBusy() const = 0;
    // Starts work after delayMs; done(result) runs on the UI thread.
    virtual void start(std::function<int()> work, std::function<void(int)> done, int delayMs = 0) = 0;
};

}  // namespace dravik
