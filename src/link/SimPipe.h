#pragma once
// The host end of an in-process device pipe (the simulated bench or a replayed recording):
// reports as the HID pipe carries them (0x3F, size byte, payload) and the receive poll.

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "link/Clock.h"
#include "link/Report.h"
#include "sim/Bench.h"

namespace dravik::simpipe {

inline constexpr int kMaxPayload = 62;

// The record's count as the size byte, then the 62 bytes from offset 4.
inline sim::Report pack(const dataBuffer& report) {
    sim::Report out{};
    out[0] = 0x3F;
    out[1] = static_cast<std::uint8_t>(std::min<std::uint32_t>(report.count(), kMaxPayload));
    std::copy_n(report.bytes.begin() + 4, kMaxPayload, out.begin() + 2);
    return out;
}

// Unpacks a device report into the record: size into count, payload at 4.
inline bool unpack(const std::optional<sim::Report>& r, dataBuffer* report) {
    if (!r) return false;
    const int size = std::min<int>((*r)[1], kMaxPayload);
    report->setCount(static_cast<std::uint32_t>(size));
    std::copy_n(r->begin() + 2, size, report->bytes.begin() + 4);
    return true;
}

// One receive poll: a report ready now, else wait until the next is due (at most maxWaitUs) and
// look once more. Device: advance, read and nextReadyUs as the bench has them.
template <typename Device>
bool poll(Clock& clock, std::mutex& mutex, Device& device, dataBuffer* report, std::int64_t maxWaitUs) {
    std::int64_t waitUs = maxWaitUs;
    {
        std::lock_guard lock(mutex);
        const std::int64_t now = clock.nowUs();
        device.advance(now);
        if (unpack(device.read(now), report)) return true;
        if (auto next = device.nextReadyUs()) waitUs = std::clamp<std::int64_t>(*next - now, 0, maxWaitUs);
    }
    clock.sleepUs(waitUs);
    std::lock_guard lock(mutex);
    return unpack(device.read(clock.nowUs()), report);
}

// An in-process device has no system to notify its comings and goings: poll runs every 20 ms on
// the calling (UI) thread while the returned timer lives.
inline std::unique_ptr<QObject> startBusPoll(std::function<void()> poll) {
    auto timer = std::make_unique<QTimer>();
    QObject::connect(timer.get(), &QTimer::timeout, std::move(poll));
    timer->start(20);
    return timer;
}

}  // namespace dravik::simpipe
