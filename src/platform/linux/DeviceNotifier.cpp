// A udev monitor on the hidraw subsystem.
#include <libudev.h>

#include <QSocketNotifier>
#include <string_view>

#include "platform/DeviceNotifier.h"

namespace dravik {

namespace {

class UdevNotifier final : public DeviceNotifier {
public:
    UdevNotifier(udev* u, udev_monitor* m, std::function<void()> onChange)
        : udev_(u), monitor_(m), onChange_(std::move(onChange)),
          notifier_(udev_monitor_get_fd(m), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { drain(); });
    }
    ~UdevNotifier() override {
        notifier_.setEnabled(false);
        udev_monitor_unref(monitor_);
        udev_unref(udev_);
    }
    UdevNotifier(const UdevNotifier&) = delete;
    UdevNotifier& operator=(const UdevNotifier&) = delete;

private:
    void drain() {
        bool changed = false;
        while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
            const char* action = udev_device_get_action(dev);
            const char* path = udev_device_get_devpath(dev);
            // The HID device's name in the path carries bus, vendor and product ids
            // ("0003:2047:0301.0004"); other devices (a mouse, a keyboard) must not reset the
            // connection.
            const bool adapter = path != nullptr && std::string_view(path).find(":2047:") != std::string_view::npos;
            if (adapter && action != nullptr &&
                (std::string_view(action) == "add" || std::string_view(action) == "remove"))
                changed = true;
            udev_device_unref(dev);
        }
        if (changed && onChange_) onChange_();
    }

    udev* udev_;
    udev_monitor* monitor_;
    std::function<void()> onChange_;
    QSocketNotifier notifier_;
};

}  // namespace

std::unique_ptr<DeviceNotifier> makeDeviceNotifier(std::function<void()> onChange) {
    udev* u = udev_new();
    if (u == nullptr) return nullptr;
    udev_monitor* m = udev_monitor_new_from_netlink(u, "udev");
    if (m == nullptr || udev_monitor_filter_add_match_subsystem_devtype(m, "hidraw", nullptr) < 0 ||
        udev_monitor_enable_receiving(m) < 0) {
        if (m != nullptr) udev_monitor_unref(m);
        udev_unref(u);
        return nullptr;
    }
    return std::make_unique<UdevNotifier>(u, m, std::move(onChange));
}

}  // namespace dravik
