#pragma once
// Tells the window when an adapter arrives or leaves. hidapi has no hot-plug call of its own.

#include <functional>
#include <memory>

namespace dravik {

class DeviceNotifier {
public:
    virtual ~DeviceNotifier() = default;
};

// Linux: a udev monitor on the hidraw subsystem. Windows: device-change messages of the HID class.
// nullptr when notifications cannot be registered.
std::unique_ptr<DeviceNotifier> makeDeviceNotifier(std::function<void()> onChange);

}  // namespace dravik
