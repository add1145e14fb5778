#include "support/FakeLibrary.h"

#include <utility>

namespace dravik::test {

void FakeLibrary::answerNext(std::uint8_t dest, std::uint8_t code, std::vector<std::uint8_t> data,
                             std::int64_t delayUs, bool badChecksum) {
    dataBuffer b = libframe::makeFrame(dest, code, data.data(), static_cast<int>(data.size()));
    if (badChecksum) b[kLength + b[kLength]] ^= 0x5A;
    scripted.emplace_back(delayUs, b);
}

void FakeLibrary::USB_TX(dataBuffer report) {
    sent.push_back(report);
    sentAtUs.push_back(clock_.nowUs());
    if (!scripted.empty()) {
        queue.push_back({clock_.nowUs() + scripted.front().first, scripted.front().second});
        scripted.pop_front();
    } else if (device) {
        if (const auto data = device(report))
            queue.push_back({clock_.nowUs() + answerDelayUs,
                             libframe::makeFrame(report[kDest], report[kCode], data->data(),
                                                 static_cast<int>(data->size()))});
    }
}

bool FakeLibrary::USB_RX(dataBuffer* report) {
    ++polls;
    if (duringPoll) std::exchange(duringPoll, nullptr)();
    constexpr std::int64_t kWaitUs = 5000;
    const std::int64_t now = clock_.nowUs();
    if (!queue.empty() && queue.front().readyUs <= now + kWaitUs) {
        clock_.sleepUs(std::max<std::int64_t>(0, queue.front().readyUs - now));
        *report = queue.front().report;
        queue.pop_front();
        return true;
    }
    clock_.sleepUs(kWaitUs);
    return false;
}

}  // namespace dravik::test
