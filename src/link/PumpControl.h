#pragma once

namespace dravik {

// What machines and operations may ask of the pump.
class PumpControl {
public:
    virtual ~PumpControl() = default;
    // Starts a handler run unless one is running or scheduled.
    virtual void wakeup() = 0;
    // Holds the next handler run for at least ms (a device pause; the window stays responsive).
    virtual void hold(int ms) = 0;
    virtual bool isBusy() const = 0;
};

}  // namespace dravik
