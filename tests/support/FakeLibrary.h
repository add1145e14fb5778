#pragma once
// A scriptable interface library: queued answers with the virtual time they become readable,
// captured requests, and a poll that waits like a real one.

#include <deque>
#include <vector>

#include "link/Clock.h"
#include "link/ExchangeLibrary.h"

namespace dravik::test {

class FakeLibrary : public ExchangeLibrary {
public:
    explicit FakeLibrary(Clock& clock) : ExchangeLibrary(clock) {}

    struct Pending {
        std::int64_t readyUs;
        dataBuffer report;
    };

    // Answer built from a frame: dest, code, data bytes; readable delayUs after the next send.
    void answerNext(std::uint8_t dest, std::uint8_t code, std::vector<std::uint8_t> data, std::int64_t delayUs = 1000,
                    bool badChecksum = false);

    int BSL_NumOfUSBDevices(std::uint16_t, std::uint16_t) override { return devices; }
    int BSL_RegisterUSBDeviceNotification(std::function<void()> cb) override {
        onChange = std::move(cb);
        return registerResult;
    }
    void BSL_UnRegisterUSBDeviceNotification() override { onChange = nullptr; }
    void BSL_setFamily(int f) override { family = f; }
    void BSL_setCom(int c) override { com = c; }
    int BSL_initialize_BSL(const char* device) override {
        deviceText = device;
        return 0;
    }
    void USB_TX(dataBuffer report) override;
    bool USB_RX(dataBuffer* report) override;

    std::vector<dataBuffer> sent;
    std::deque<std::pair<std::int64_t, dataBuffer>> scripted;  // (delay after send, answer)
    std::deque<Pending> queue;
    int devices = 1;
    int registerResult = 0;
    int family = 0, com = 0;
    std::string deviceText;
    std::function<void()> onChange;
    int polls = 0;
    // Runs inside the next receive poll, as the UI thread may while the worker waits.
    std::function<void()> duringPoll;
};

}  // namespace dravik::test
