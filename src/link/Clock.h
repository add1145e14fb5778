#pragma once
// One clock for every tick, pause, time-out and simulated link delay.
// The program runs on real time; tests and scripted checks run on virtual time.

#include <atomic>
#include <cstdint>

namespace dravik {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowUs() const = 0;
    // Blocks the calling (worker) thread; on virtual time it only moves the time on.
    virtual void sleepUs(std::int64_t us) = 0;
    std::int64_t nowMs() const { return nowUs() / 1000; }
};

class RealClock final : public Clock {
public:
    RealClock();
    std::int64_t nowUs() const override;
    void sleepUs(std::int64_t us) override;

private:
    std::int64_t origin_;
};

class VirtualClock final : public Clock {
public:
    std::int64_t nowUs() const override { return now_.load(std::memory_order_acquire); }
    void sleepUs(std::int64_t us) override {
        if (us > 0) now_.fetch_add(us, std::memory_order_acq_rel);
    }
    void advanceTo(std::int64_t us) {
        if (us > nowUs()) now_.store(us, std::memory_order_release);
    }

private:
    std::atomic<std::int64_t> now_{0};
};

}  // namespace dravik
