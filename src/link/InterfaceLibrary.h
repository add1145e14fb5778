#pragma once
// The boundary to the USB adapter: report exchange, the adapter's own setup requests,
// device counting and notifications, and the bootstrap-loader operations.
// Implementations: UsbInterfaceLibrary (hidapi) and SimulatedInterfaceLibrary (the bench).

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "link/DataBlock.h"
#include "link/Report.h"
#include "platform/HidApi.h"

namespace dravik {

inline constexpr std::uint16_t kAdapterVid = 0x2047;
inline constexpr std::uint16_t kAdapterPidStandard = 0x0301;
inline constexpr std::uint16_t kAdapterPidBoot = 0x0200;
// A loader operation's result when the device gave no reply at all (gone from the bus).
inline constexpr int kBslNoReply = 0xFF;

// Results of BSL_initialize_BSL other than 0 (open): kOpenFailed, kOpenNoDevice, kOpenNoPermission
// (platform/HidApi.h).

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

    // Asks the adapter's application to restart into its loader. 0 = accepted (it drops off the
    // bus and comes back with the loader's product id).
    virtual int BootMode_Request() = 0;

    // Bootstrap-loader operations on the device opened by BSL_initialize_BSL (the loader's id).
    // The first block of a TI-TXT text; an empty block when the text is not valid.
    virtual DataBlock_ BSL_readTI_Text(const char* text, int maxBlock) = 0;
    virtual DataBlock_ BSL_getDefaultPass() = 0;
    // 0 = accepted; otherwise the loader's status (5: wrong, the device has mass-erased itself).
    virtual int BSL_RX_Password(DataBlock_ password) = 0;
    // Writes a TI-TXT text; fast != 0 sends blocks without waiting for their status.
    // 0 = sent (and, when acknowledged, written). Images are handed over as the bytes that were
    // checked, never by file name: the library opens no file.
    virtual std::uint32_t BSL_RX_TXT(const char* text, int fast) = 0;
    virtual int BSL_LoadPC(std::uint32_t address) = 0;
    virtual int BSL_close_BSL() = 0;
    // 0 = the segment holding the address was erased.
    virtual int BSL_eraseSegment(std::uint32_t address) = 0;
    // 0 = the device computed the CRC of the range; it is then in BSL_get_RX_Buffer bytes 5, 6.
    virtual int BSL_CRC_Check(std::uint32_t address, std::uint32_t length) = 0;

    // Block-wise reading of an image held in memory. -3 = not a valid TI-TXT image.
    virtual int BSL_openTI_TextForRead(std::string_view text) = 0;
    virtual int BSL_moreDataToRead_TextFile() = 0;
    virtual DataBlock_ BSL_readTI_TextFile(int maxBlock) = 0;
    virtual void BSL_closeTI_Text() = 0;

    // The RAM-resident loader image this backend brings itself (the simulated bench does); empty
    // when the adapter maker's image has to be built into the program.
    virtual std::string ramLoaderImage() const { return {}; }
};

// Frames of the library's own requests (the handler never sends these codes).
namespace libframe {
inline constexpr std::uint8_t kCodeWiId = 0x41;
inline constexpr std::uint8_t kCodeWiSetup = 0x42;
inline constexpr std::uint8_t kCodeBootMode = 0x43;
// Request frame with the given destination, code and data; checksum and count filled in.
dataBuffer makeFrame(std::uint8_t dest, std::uint8_t code, const std::uint8_t* data, int n);
}  // namespace libframe

}  // namespace dravik
