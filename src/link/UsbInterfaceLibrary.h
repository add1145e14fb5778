#pragma once
// The interface library on the real adapter: HID reports through hidapi, device notifications
// from udev (Linux) or the window's device-change messages (Windows).

#include <QObject>
#include <memory>
#include <mutex>
#include <optional>

#include "link/DeviceText.h"
#include "link/ExchangeLibrary.h"
#include "platform/HidApi.h"

namespace dravik {

class DeviceNotifier;

class UsbInterfaceLibrary final : public ExchangeLibrary {
public:
    // How long one receive poll waits for a report.
    static constexpr int kPollWaitMs = 5;

    UsbInterfaceLibrary(Clock& clock, std::unique_ptr<HidApi> hid);
    ~UsbInterfaceLibrary() override;

    int BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) override;
    int BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) override;
    void BSL_UnRegisterUSBDeviceNotification() override;
    void BSL_setFamily(int family) override { family_ = family; }
    void BSL_setCom(int com) override { com_ = com; }
    int BSL_initialize_BSL(const char* device) override;
    void USB_TX(dataBuffer report) override;
    bool USB_RX(dataBuffer* report) override;

private:
    std::shared_ptr<HidDevice> currentDevice(bool reopen);

    std::mutex hidMutex_;
    std::mutex deviceMutex_;
    std::unique_ptr<HidApi> hid_;
    std::shared_ptr<HidDevice> device_;
    std::unique_ptr<DeviceNotifier> notifier_;
    std::optional<DeviceId> lastId_;
    int family_ = 0;
    int com_ = 0;
};

}  // namespace dravik
