#include "module/ModuleFrames.h"

namespace dravik {

namespace {
std::uint8_t low(unsigned value) { return static_cast<std::uint8_t>(value & 0xFFu); }
}  // namespace

std::array<std::uint8_t, 4> slotSetupData(std::uint16_t selector, std::uint16_t parameterBC) {
    const std::uint8_t a = low(selector);
    const std::uint8_t b = low(parameterBC >> 8u);
    const std::uint8_t c = low(parameterBC);
    return {a, b, c, low(unsigned{a} + b + c)};
}

std::array<std::uint8_t, 3> auxModuleSetupData(std::uint8_t softwareType, std::uint16_t slot,
                                               std::uint16_t parameterA, std::uint16_t parameterBC) {
    switch (softwareType) {
        case 16:
        case 31:
        case 47:
            return {low(parameterA), low(parameterBC & 3u), low((parameterBC >> 2u) & 3u)};
        case 0x81:
            return {low(parameterA), low((parameterBC >> 8u) & 1u), 0};
        default:
            return {low(slot), 0, 0};
    }
}

int sendProgress(std::uint8_t line, std::uint8_t slot, std::uint8_t linesPerSlot,
                 std::uint8_t slotsPerBlock) {
    const int whole = linesPerSlot * slotsPerBlock;
    if (whole == 0) return 0;
    return (line + slot * linesPerSlot) * 100 / whole;
}

bool validModulePassword(const QString& password) {
    if (password.size() != 6) return false;
    for (const QChar c : password)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

std::optional<std::array<std::uint8_t, 5>> protectionData(std::uint8_t protectionState,
                                                          const QString& password) {
    if (protectionState > 1 || !validModulePassword(password)) return std::nullopt;
    auto digit = [&password](int i) { return static_cast<unsigned>(password[i].unicode() - u'0'); };
    std::array<std::uint8_t, 5> d{};
    d[0] = protectionState == 0 ? 1 : 0;
    for (int k = 0; k < 3; ++k)
        d[static_cast<std::size_t>(k + 1)] = low(digit(2 * k) * 16 + digit(2 * k + 1));
    d[4] = low(unsigned{d[1]} + d[2] + d[3]);
    return d;
}

QString logTypeText(std::uint8_t type) {
    static const char* const kTypes[] = {"BootStatus", "KernelStatus", "HwStatus",
                                         "CanInit",    "CanError",     "CanStatus",
                                         "CarArming",  "CarAlarming",  "CarDisarming"};
    if (type < 1 || type > std::size(kTypes)) return {};
    return QString::fromLatin1(kTypes[type - 1]);
}

QString logLine(const std::array<std::uint8_t, 9>& a) {
    QString s = QString::number(a[0]) + QStringLiteral(" - time: ") + QString::number(a[1] * 256 + a[2]) +
                QStringLiteral(" - type: ") + logTypeText(a[3]) + QStringLiteral(" - data: ");
    for (std::size_t k = 4; k < 9; ++k) {
        if (k > 4) s += QStringLiteral(" - ");
        s += QString::number(a[k], 16);
    }
    return s + QStringLiteral("\r\n");
}

}  // namespace dravik
