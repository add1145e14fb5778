// Device answers: any report the adapter (or something pretending to be it) sends must be taken
// in without touching memory outside the record, and the handler must log it safely.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "link/DeviceText.h"
#include "link/UsbInterfaceLibrary.h"

using namespace dravik;

namespace {
struct Feed {
    std::vector<std::uint8_t> report;
};
class Device : public HidDevice {
  public:
    explicit Device(Feed& f) : f_(f) {}
    int write(const std::uint8_t*, std::size_t n) override { return static_cast<int>(n); }
    int readTimeout(std::uint8_t* d, std::size_t n, int) override {
        const std::size_t k = std::min(n, f_.report.size());
        if (k > 0) std::memcpy(d, f_.report.data(), k);
        return static_cast<int>(k);
    }

  private:
    Feed& f_;
};
class Api : public HidApi {
  public:
    explicit Api(Feed& f) : f_(f) {}
    int count(std::uint16_t, std::uint16_t) override { return 1; }
    std::unique_ptr<HidDevice> open(std::uint16_t, std::uint16_t, int) override {
        return std::make_unique<Device>(f_);
    }

  private:
    Feed& f_;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Feed feed{std::vector<std::uint8_t>(data, data + std::min<std::size_t>(size, 64))};
    VirtualClock clock;
    UsbInterfaceLibrary lib(clock, std::make_unique<Api>(feed));
    lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    dataBuffer rx;
    if (lib.USB_RX(&rx)) {
        dataBuffer tx;
        buildRequest(tx, IDENTIFICATION, 0, 0);
        (void)answerMatches(tx, rx);
        (void)byteDump(rx, kStart, std::min(rx[kLength] + 4, dataBuffer::kSize - kStart));
    }
    (void)parseDeviceText(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
