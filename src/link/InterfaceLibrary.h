#pragma once
// The boundary to the USB adapter: report exchange, the adapter's own setup requests,
// device counting and notifications, and the bootstrap-loader operations.
// Implementations: UsbInterfaceLibrary (hidapi) and SimulatedInterfaceLibrary (the bench).

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/Report.h"

namespace dravik {

inline constexpr std::uint16_t kAdapterVid = 0x2047;
inline constexpr std::uint16_t kAdapterPidStandard = 0x0301;
inline constexpr std::uint16_t kAdapterPidBoot = 0x0200;

// Results of BSL_initialize_BSL other than 0 (open).
inline constexpr int kOpenFailed = 1;        // present, but the system refused for another reason
inline constexpr int kOpenNoDevice = 2;      // no such adapter (unplugged meanwhile)
inline constexpr int kOpenNoPermission = 3;  // present, but the user may not open it

class InterfaceLibrary {
public:
    virtual ~InterfaceLibrary() = default;

    // Devices with this vendor and product id now present. Runs on the counting worker.
    virtual int BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) = 0;
    // Calls onChange on the UI thread whenever an adapter arrives or leaves. 0 = registered.
    virtual int BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) = 0;
    virtual void BSL_UnRegisterUSBDeviceNotification() = 0;

    virtual void BSL_setFamily(int family) = 0;
    virtual void BSL_setCom(int com) = 0;
    // Opens the device named by "PID=0x0301,VID=0x2047,DEVICEINDEX=0". 0 = open; otherwise one of
    // the kOpen... codes below tells why it could not be opened.
    virtual int BSL_initialize_BSL(const char* device) = 0;

    // Sends the report record (by value). Failures surface as receive time-outs.
    virtual void USB_TX(dataBuffer report) = 0;
    // Waits a few milliseconds for a report; fills *report when one came and returns true.
    virtual bool USB_RX(dataBuffer* report) = 0;

    // One complete exchange each, inside the library. 0 = answered; answer in BSL_get_RX_Buffer.
    virtual int ID_Request(std::uint8_t dest) = 0;
    virtual int Mbus_Setup_Request(std::uint16_t outputWord, std::uint8_t baudCode) = 0;
    virtual int Wi_ID_Request(std::uint32_t destAddress, std::uint8_t systemType) = 0;
    virtual int Wi_Setup_Request(std::uint8_t mode, std::uint8_t channelGroup, std::uint8_t channel) = 0;
    virtual dataBuffer BSL_get_RX_Buffer() = 0;
    // The bootstrap-loader operations join this boundary with the firmware upgrade.
};

// Frames of the library's own requests (the handler never sends these codes).
namespace libframe {
inline constexpr std::uint8_t kCodeWiId = 0x41;
inline constexpr std::uint8_t kCodeWiSetup = 0x42;
// Request frame with the given destination, code and data; checksum and count filled in.
dataBuffer makeFrame(std::uint8_t dest, std::uint8_t code, const std::uint8_t* data, int n);
}  // namespace libframe

}  // namespace dravik
