#pragma once
// The few hidapi calls the USB backend makes, behind a seam so that tests can stand in for the
// device at the hidapi boundary.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace dravik {

// Why an adapter could not be opened.
inline constexpr int kOpenFailed = 1;        // present, but the system refused for another reason
inline constexpr int kOpenNoDevice = 2;      // no such adapter (unplugged meanwhile)
inline constexpr int kOpenNoPermission = 3;  // present, but the user may not open it

class HidDevice {
public:
    virtual ~HidDevice() = default;
    // hid_write: the buffer starts with the report id. Bytes written or -1.
    virtual int write(const std::uint8_t* data, std::size_t length) = 0;
    // hid_read_timeout: bytes read, 0 on time-out, -1 on error (unplugged).
    virtual int readTimeout(std::uint8_t* data, std::size_t length, int milliseconds) = 0;
};

class HidApi {
public:
    virtual ~HidApi() = default;
    virtual int count(std::uint16_t vid, std::uint16_t pid) = 0;
    // Opens the index-th device with these ids; nullptr when there is none or it cannot be opened.
    virtual std::unique_ptr<HidDevice> open(std::uint16_t vid, std::uint16_t pid, int index) = 0;
    // Why the last open() returned nullptr: one of the kOpen... codes above.
    virtual int lastOpenError() const { return 1; }  // kOpenFailed
};

// The real hidapi (hidraw backend on Linux, the Windows HID backend on Windows).
std::unique_ptr<HidApi> makeSystemHidApi();

}  // namespace dravik
