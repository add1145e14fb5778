// Device-change messages (WM_DEVICECHANGE) of the HID class, received through a native event
// filter on a hidden window.
#include <windows.h>
#include <dbt.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QWidget>
#include <string>

#include "platform/DeviceNotifier.h"

namespace dravik {

namespace {

const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

class WinDeviceNotifier final : public DeviceNotifier, public QAbstractNativeEventFilter {
public:
    explicit WinDeviceNotifier(std::function<void()> onChange) : onChange_(std::move(onChange)) {
        DEV_BROADCAST_DEVICEINTERFACE filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kHidClass;
        handle_ = RegisterDeviceNotification(reinterpret_cast<HWND>(window_.winId()), &filter,
                                             DEVICE_NOTIFY_WINDOW_HANDLE);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~WinDeviceNotifier() override {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        if (handle_ != nullptr) UnregisterDeviceNotification(handle_);
    }
    bool registered() const { return handle_ != nullptr; }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "windows_generic_MSG") return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message != WM_DEVICECHANGE ||
            (msg->wParam != DBT_DEVICEARRIVAL && msg->wParam != DBT_DEVICEREMOVECOMPLETE))
            return false;
        // Only the adapter's own arrivals and removals: other devices must not reset the link.
        const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(msg->lParam);
        if (hdr != nullptr && hdr->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            const auto* di = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(hdr);
            const std::wstring name(di->dbcc_name);
            if (name.find(L"VID_2047") == std::wstring::npos && name.find(L"vid_2047") == std::wstring::npos)
                return false;
        }
        onChange_();
        return false;
    }

private:
    QWidget window_;
    HDEVNOTIFY handle_ = nullptr;
    std::function<void()> onChange_;
};

}  // namespace

std::unique_ptr<DeviceNotifier> makeDeviceNotifier(std::function<void()> onChange) {
    auto n = std::make_unique<WinDeviceNotifier>(std::move(onChange));
    if (!n->registered()) return nullptr;
    return n;
}

}  // namespace dravik
