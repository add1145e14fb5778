#pragma once
// The library's own one-shot requests (test-page identification and setup), built on the report
// exchange that every backend provides.

#include <mutex>

#include "link/Clock.h"
#include "link/InterfaceLibrary.h"

namespace dravik {

class ExchangeLibrary : public InterfaceLibrary {
public:
    // Error codes of the one-shot requests.
    static constexpr int kNoAnswer = 1;
    static constexpr int kTimeoutMs = 500;

    int ID_Request(std::uint8_t dest) override;
    int Mbus_Setup_Request(std::uint16_t outputWord, std::uint8_t baudCode) override;
    int Wi_ID_Request(std::uint32_t destAddress, std::uint8_t systemType) override;
    int Wi_Setup_Request(std::uint8_t mode, std::uint8_t channelGroup, std::uint8_t channel) override;
    dataBuffer BSL_get_RX_Buffer() override;

protected:
    explicit ExchangeLibrary(Clock& clock) : clock_(clock) {}
    Clock& clock_;

private:
    int exchange(const dataBuffer& request);

    std::mutex answerMutex_;
    dataBuffer lastAnswer_;
};

}  // namespace dravik
