// The Windows device-change notifications, driven with the messages the system sends: only the
// adapter's arrival and removal reach the window, and nothing after the notifier is gone.
#include <gtest/gtest.h>

#include "platform/DeviceNotifier.h"

#ifdef _WIN32
#include <windows.h>
#include <dbt.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

HWND notifierWindow() { return FindWindowExW(HWND_MESSAGE, nullptr, L"DravikDeviceChange", nullptr); }

// A device-interface broadcast as the system builds it, for a device of this name.
std::vector<unsigned char> broadcast(const std::wstring& name) {
    std::vector<unsigned char> bytes(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) + name.size() * sizeof(wchar_t));
    auto* di = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(bytes.data());
    di->dbcc_size = static_cast<DWORD>(bytes.size());
    di->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    std::memcpy(di->dbcc_name, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    return bytes;
}

}  // namespace
#endif

TEST(WindowsDeviceNotifier, OnlyTheAdaptersArrivalAndRemovalAreTold) {
#ifndef _WIN32
    GTEST_SKIP() << "Windows only: Linux is told by udev";
#else
    int told = 0;
    auto notifier = dravik::makeDeviceNotifier([&] { ++told; });
    ASSERT_NE(notifier, nullptr);
    const HWND window = notifierWindow();
    ASSERT_NE(window, nullptr);
    struct Case {
        WPARAM event;
        std::wstring name;
        int expected;
    };
    const Case cases[] = {
        {DBT_DEVICEARRIVAL, L"\\\\?\\HID#VID_2047&PID_0301#7&1a2b#{4d1e55b2-f16f-11cf-88cb-001111000030}", 1},
        {DBT_DEVICEREMOVECOMPLETE, L"\\\\?\\hid#vid_2047&pid_0200#7&1a2b#{4d1e55b2-f16f-11cf-88cb-001111000030}", 1},
        {DBT_DEVICEARRIVAL, L"\\\\?\\HID#VID_046D&PID_C077#7&3c4d#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0},
        {DBT_DEVICEQUERYREMOVE, L"\\\\?\\HID#VID_2047&PID_0301#7&1a2b#{4d1e55b2-f16f-11cf-88cb-001111000030}", 0},
    };
    for (const Case& c : cases) {
        told = 0;
        std::vector<unsigned char> bytes = broadcast(c.name);
        SendMessageW(window, WM_DEVICECHANGE, c.event, reinterpret_cast<LPARAM>(bytes.data()));
        EXPECT_EQ(told, c.expected) << std::string(c.name.begin(), c.name.end()) << " event " << c.event;
    }
    notifier.reset();
    EXPECT_EQ(notifierWindow(), nullptr);
#endif
}
