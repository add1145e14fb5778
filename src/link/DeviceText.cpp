#include "link/DeviceText.h"

#include <charconv>

namespace dravik {

namespace {
std::optional<unsigned> parseNumber(std::string_view v) {
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        v.remove_prefix(2);
        base = 16;
    }
    unsigned out = 0;
    const auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), out, base);
    if (ec != std::errc() || p != v.data() + v.size() || v.empty()) return std::nullopt;
    return out;
}
}  // namespace

QString padHexStringValue(const QString& text) {
    QString s = text;
    if (s.size() < 4) {
        s.insert(2, QStringLiteral("000"));
    } else if (s.size() < 5) {
        s.insert(2, QStringLiteral("00"));
    } else if (s.size() < 6) {
        s.insert(2, QStringLiteral("0"));
    }
    return s;
}

QString deviceTextOf(const QString& pid, const QString& vid, const QString& index) {
    return QStringLiteral("PID=") + pid + QStringLiteral(",VID=") + vid + QStringLiteral(",DEVICEINDEX=") + index;
}

std::optional<DeviceId> parseDeviceText(std::string_view text) {
    DeviceId id;
    bool haveVid = false, havePid = false, haveIndex = false;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view field = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        const std::size_t eq = field.find('=');
        if (eq == std::string_view::npos) return std::nullopt;
        const std::string_view key = field.substr(0, eq);
        const auto value = parseNumber(field.substr(eq + 1));
        if (!value) return std::nullopt;
        if (key == "VID" && *value <= 0xFFFF) {
            id.vid = static_cast<std::uint16_t>(*value);
            haveVid = true;
        } else if (key == "PID" && *value <= 0xFFFF) {
            id.pid = static_cast<std::uint16_t>(*value);
            havePid = true;
        } else if (key == "DEVICEINDEX" && *value < 128) {
            id.index = static_cast<int>(*value);
            haveIndex = true;
        } else {
            return std::nullopt;
        }
    }
    if (!haveVid || !havePid || !haveIndex) return std::nullopt;
    return id;
}

}  // namespace dravik
