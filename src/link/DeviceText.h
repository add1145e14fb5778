#pragma once
// The device text handed to the library: "PID=0x0301,VID=0x2047,DEVICEINDEX=0".

#include <cstdint>
#include <optional>
#include <string_view>

namespace dravik {

struct DeviceId {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    int index = 0;
};

// Reads the three fields in any order; nullopt when one is missing or not a number in range.
std::optional<DeviceId> parseDeviceText(std::string_view text);

}  // namespace dravik
