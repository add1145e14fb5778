// Device-change messages (WM_DEVICECHANGE) for the HID class, registered on a message-only window
// of the UI thread, whatever window system plugin runs. The system sends these messages straight
// to the window's procedure (they never pass the event loop's queue), so the procedure answers them.
#include "platform/DeviceNotifier.h"

#include <windows.h>
#include <dbt.h>

#include <QCoreApplication>
#include <string>

namespace dravik {

namespace {

const GUID kHidClass = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
const wchar_t kWindowClass[] = L"DravikDeviceChange";

bool isAdapter(LPARAM lParam) {
    const auto* hdr = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    if (hdr == nullptr || hdr->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) return true;
    // Only the adapter's own arrivals and removals: other devices must not reset the link.
    const auto* di = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(hdr);
    std::wstring name(di->dbcc_name);
    for (wchar_t& c : name) c = static_cast<wchar_t>(towupper(c));
    return name.find(L"VID_2047") != std::wstring::npos;
}

class WinDeviceNotifier final : public DeviceNotifier {
  public:
    explicit WinDeviceNotifier(std::function<void()> onChange) : onChange_(std::move(onChange)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &WinDeviceNotifier::procedure;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kWindowClass;
        RegisterClassExW(&wc);  // fails harmlessly when a second notifier registers it again
        window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        if (window_ == nullptr) return;
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kHidClass;
        handle_ = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    ~WinDeviceNotifier() override {
        if (handle_ != nullptr) UnregisterDeviceNotification(handle_);
        if (window_ != nullptr) {
            SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
    }
    WinDeviceNotifier(const WinDeviceNotifier&) = delete;
    WinDeviceNotifier& operator=(const WinDeviceNotifier&) = delete;

    bool registered() const { return handle_ != nullptr; }

  private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE)) {
            auto* self = reinterpret_cast<WinDeviceNotifier*>(GetWindowLongPtrW(window, GWLP_USERDATA));
            if (self != nullptr && isAdapter(lParam)) self->onChange_();
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND window_ = nullptr;
    HDEVNOTIFY handle_ = nullptr;
    std::function<void()> onChange_;
};

}  // namespace

std::unique_ptr<DeviceNotifier> makeDeviceNotifier(std::function<void()> onChange) {
    if (QCoreApplication::instance() == nullptr) return nullptr;
    auto n = std::make_unique<WinDeviceNotifier>(std::move(onChange));
    if (!n->registered()) return nullptr;
    return n;
}

}  // namespace dravik
