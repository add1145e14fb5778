#pragma once
// The device text handed to the library: "PID=0x0301,VID=0x2047,DEVICEINDEX=0".

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dravik {

struct DeviceId {
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    int index = 0;
};

// "0x301" -> "0x0301": ids shorter than six characters get zeros after "0x".
QString padHexStringValue(const QString& text);
// "PID=" + pid + ",VID=" + vid + ",DEVICEINDEX=" + index.
QString deviceTextOf(const QString& pid, const QString& vid, const QString& index);

// Reads the three fields in any order; nullopt when one is missing or not a number in range.
std::optional<DeviceId> parseDeviceText(std::string_view text);

}  // namespace dravik
