#include "link/Clock.h"

#include <chrono>
#include <thread>

namespace dravik {

namespace {
std::int64_t steadyUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

RealClock::RealClock() : origin_(steadyUs()) {}

std::int64_t RealClock::nowUs() const { return steadyUs() - origin_; }

void RealClock::sleepUs(std::int64_t us) {
    if (us > 0) std::this_thread::sleep_for(std::chrono::microseconds(us));
}

}  // namespace dravik
