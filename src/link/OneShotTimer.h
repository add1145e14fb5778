#pragma once

namespace dravik {

// A single-shot timer that logic may start and stop (the handler watchdog).
class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    virtual void start(int ms) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

}  // namespace dravik
