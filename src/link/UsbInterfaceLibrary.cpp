#include "link/UsbInterfaceLibrary.h"

#include <algorithm>

#include "platform/DeviceNotifier.h"
#include "link/DeviceText.h"

namespace dravik {

namespace {
constexpr std::uint8_t kReportId = 0x3F;
constexpr std::size_t kReportSize = 64;
constexpr int kMaxPayload = 62;
}  // namespace

UsbInterfaceLibrary::UsbInterfaceLibrary(Clock& clock, std::unique_ptr<HidApi> hid)
    : ExchangeLibrary(clock), hid_(std::move(hid)) {}

UsbInterfaceLibrary::~UsbInterfaceLibrary() = default;

int UsbInterfaceLibrary::BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) {
    std::lock_guard lock(hidMutex_);
    return hid_->count(vid, pid);
}

int UsbInterfaceLibrary::BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) {
    notifier_ = makeDeviceNotifier(std::move(onChange));
    return notifier_ ? 0 : 1;
}

void UsbInterfaceLibrary::BSL_UnRegisterUSBDeviceNotification() { notifier_.reset(); }

int UsbInterfaceLibrary::BSL_initialize_BSL(const char* device) {
    const auto id = parseDeviceText(device != nullptr ? device : "");
    std::shared_ptr<HidDevice> opened;
    int why = kOpenFailed;
    if (id) {
        std::lock_guard lock(hidMutex_);
        opened = hid_->open(id->vid, id->pid, id->index);
        if (!opened) why = hid_->lastOpenError();
    }
    std::lock_guard lock(deviceMutex_);
    device_ = opened;
    if (id) lastId_ = *id;
    if (device_) bslOpened();
    return device_ ? 0 : why;
}

std::shared_ptr<HidDevice> UsbInterfaceLibrary::currentDevice(bool reopen) {
    std::optional<DeviceId> id;
    {
        std::lock_guard lock(deviceMutex_);
        if (device_ || !reopen || !lastId_) return device_;
        id = lastId_;
    }
    // A read or write error dropped the handle; a passing error must not leave the link deaf
    // until the next device count, so a request opens the device again.
    std::shared_ptr<HidDevice> opened;
    {
        std::lock_guard lock(hidMutex_);
        opened = hid_->open(id->vid, id->pid, id->index);
    }
    std::lock_guard lock(deviceMutex_);
    if (!device_) device_ = opened;
    return device_;
}

void UsbInterfaceLibrary::USB_TX(dataBuffer report) {
    const std::shared_ptr<HidDevice> dev = currentDevice(true);
    if (!dev) return;
    std::array<std::uint8_t, kReportSize> buf{};
    // Answers left over from an earlier request would be taken for this one's.
    while (dev->readTimeout(buf.data(), buf.size(), 0) > 0) {
    }
    buf.fill(0);
    buf[0] = kReportId;
    buf[1] = static_cast<std::uint8_t>(std::min<std::uint32_t>(report.count(), kMaxPayload));
    std::copy_n(report.bytes.begin() + 4, kMaxPayload, buf.begin() + 2);
    if (dev->write(buf.data(), buf.size()) < 0) {
        std::lock_guard lock(deviceMutex_);
        if (device_ == dev) device_.reset();
    }
}

bool UsbInterfaceLibrary::USB_RX(dataBuffer* report) {
    const std::shared_ptr<HidDevice> dev = currentDevice(false);
    if (!dev) {
        // No device: still wait like a poll would, so a caller's loop cannot spin.
        clock_.sleepUs(std::int64_t{kPollWaitMs} * 1000);
        return false;
    }
    std::array<std::uint8_t, kReportSize> buf{};
    const int n = dev->readTimeout(buf.data(), buf.size(), kPollWaitMs);
    if (n < 0) {
        std::lock_guard lock(deviceMutex_);
        if (device_ == dev) device_.reset();
        return false;
    }
    if (n < 2 || buf[0] != kReportId) return false;
    const int size = std::min<int>({buf[1], kMaxPayload, n - 2});
    report->setCount(static_cast<std::uint32_t>(size));
    std::copy_n(buf.begin() + 2, size, report->bytes.begin() + 4);
    return true;
}

}  // namespace dravik
