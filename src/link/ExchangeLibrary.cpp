#include "link/ExchangeLibrary.h"

#include <algorithm>

namespace dravik {

namespace libframe {
dataBuffer makeFrame(std::uint8_t dest, std::uint8_t code, const std::uint8_t* data, int n) {
    dataBuffer b;
    n = std::clamp(n, 0, dataBuffer::kSize - kData - 1);
    b[kStart] = 0x01;
    b[kDest] = dest;
    b[kFixed] = 0x02;
    b[kLength] = static_cast<std::uint8_t>(2 + n);
    b[kCode] = code;
    for (int i = 0; i < n; ++i) b[kData + i] = data[i];
    b[kLength + 2 + n] = frameChecksum(b, 2 + n);
    b.setCount(kRequestCount);
    return b;
}
}  // namespace libframe

int ExchangeLibrary::exchange(const dataBuffer& request) {
    USB_TX(request);
    const std::int64_t deadline = clock_.nowUs() + std::int64_t{kTimeoutMs} * 1000;
    while (clock_.nowUs() < deadline) {
        dataBuffer rx;
        if (USB_RX(&rx) && answerMatches(request, rx)) {
            storeAnswer(rx);
            return 0;
        }
    }
    return kNoAnswer;
}

int ExchangeLibrary::ID_Request(std::uint8_t dest) { return exchange(libframe::makeFrame(dest, 0x00, nullptr, 0)); }

int ExchangeLibrary::Mbus_Setup_Request(std::uint16_t outputWord, std::uint8_t baudCode) {
    const std::uint8_t data[8] = {0x01, static_cast<std::uint8_t>(outputWord >> 8),
                                  static_cast<std::uint8_t>(outputWord & 0xFF), baudCode, 0, 0, 0, 0};
    return exchange(libframe::makeFrame(kDestInterface, 0x40, data, 8));
}

int ExchangeLibrary::Wi_ID_Request(std::uint32_t destAddress, std::uint8_t systemType) {
    const std::uint8_t data[5] = {static_cast<std::uint8_t>(destAddress), static_cast<std::uint8_t>(destAddress >> 8),
                                  static_cast<std::uint8_t>(destAddress >> 16),
                                  static_cast<std::uint8_t>(destAddress >> 24), systemType};
    return exchange(libframe::makeFrame(kDestInterface, libframe::kCodeWiId, data, 5));
}

int ExchangeLibrary::Wi_Setup_Request(std::uint8_t mode, std::uint8_t channelGroup, std::uint8_t channel) {
    const std::uint8_t data[3] = {mode, channelGroup, channel};
    return exchange(libframe::makeFrame(kDestInterface, libframe::kCodeWiSetup, data, 3));
}

int ExchangeLibrary::BootMode_Request() {
    // Our request: "BSL" as a key, so that no stray frame restarts the adapter.
    const std::uint8_t key[3] = {'B', 'S', 'L'};
    return exchange(libframe::makeFrame(kDestInterface, libframe::kCodeBootMode, key, 3));
}

void ExchangeLibrary::storeAnswer(const dataBuffer& rx) {
    std::lock_guard lock(answerMutex_);
    lastAnswer_ = rx;
}

dataBuffer ExchangeLibrary::BSL_get_RX_Buffer() {
    std::lock_guard lock(answerMutex_);
    return lastAnswer_;
}

}  // namespace dravik
