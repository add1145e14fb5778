#include "product/ValueEncoding.h"

#include <limits>

namespace dravik {

namespace {

constexpr int kMaxNumberBytes = 4;

TextEncoding refuse(QString why) {
    TextEncoding e;
    e.error = std::move(why);
    return e;
}

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// Decimal text of at most 32 bits, digits only.
bool parseDecimal(const QString& text, std::uint32_t& out) {
    if (text.isEmpty()) return false;
    std::uint64_t v = 0;
    for (QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9') return false;
        v = v * 10 + static_cast<std::uint64_t>(c.unicode() - '0');
        if (v > std::numeric_limits<std::uint32_t>::max()) return false;
    }
    out = static_cast<std::uint32_t>(v);
    return true;
}

TextEncoding encodeDigits(function_parameters item, const QString& text) {
    std::uint32_t v = 0;
    if (!parseDecimal(text, v)) return refuse(QStringLiteral("\"%1\" is not a number").arg(text));
    item.set_ValueToWrite(v);
    v = item.valueToWrite;
    TextEncoding e;
    e.value = v;
    if (item.length == 1) {
        if (v > 0xFF) return refuse(QStringLiteral("%1 does not fit one byte (0 to 255)").arg(v));
        e.bytes.push_back({0, static_cast<std::uint8_t>(v)});
        e.shownText = QString::number(v);
        e.ok = true;
        return e;
    }
    QString code = QString::number(v);
    if (code.size() > item.length)
        return refuse(QStringLiteral("%1 has more than %2 digits").arg(code).arg(item.length));
    while (code.size() < item.length) code.prepend(QLatin1Char('1'));
    for (int k = 0; k < item.length; ++k)
        e.bytes.push_back(
            {static_cast<std::uint16_t>(k), static_cast<std::uint8_t>(code[k].unicode() - '0')});
    e.shownText = code;
    e.ok = true;
    return e;
}

TextEncoding encodeNumber(function_parameters item, const QString& text) {
    std::uint32_t v = 0;
    if (!parseDecimal(text, v)) return refuse(QStringLiteral("\"%1\" is not a number").arg(text));
    item.set_ValueToWrite(v);
    v = item.valueToWrite;
    const int length = item.length;
    if (length < 1 || length > kMaxNumberBytes)
        return refuse(QStringLiteral("a number of %1 bytes").arg(length));
    if (length < kMaxNumberBytes && v >= (std::uint64_t{1} << (8 * length)))
        return refuse(QStringLiteral("%1 does not fit %2 bytes").arg(v).arg(length));
    TextEncoding e;
    e.value = v;
    for (int k = 0; k < length; ++k)
        e.bytes.push_back(
            {static_cast<std::uint16_t>(k), static_cast<std::uint8_t>(v >> (8 * (length - 1 - k)))});
    e.shownText = QString::number(v);
    e.ok = true;
    return e;
}

TextEncoding encodeHex(const function_parameters& item, const QString& text) {
    const int length = item.length;
    if (text.size() != 2 * length)
        return refuse(
            QStringLiteral("\"%1\" must have exactly %2 hexadecimal digits").arg(text).arg(2 * length));
    TextEncoding e;
    for (int k = 0; k < length; ++k) {
        const int hi = hexDigit(text[2 * k]);
        const int lo = hexDigit(text[2 * k + 1]);
        if (hi < 0 || lo < 0) return refuse(QStringLiteral("\"%1\" is not hexadecimal").arg(text));
        e.bytes.push_back(
            {static_cast<std::uint16_t>(length - 1 - k), static_cast<std::uint8_t>(hi * 16 + lo)});
    }
    e.shownText = text;
    e.ok = true;
    return e;
}

}  // namespace

std::uint32_t littleEndianValue(std::span<const std::uint8_t> bytes) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < bytes.size() && k < kMaxNumberBytes; ++k)
        v |= std::uint32_t{bytes[k]} << (8 * k);
    return v;
}

std::uint32_t bigEndianValue(std::span<const std::uint8_t> bytes) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < bytes.size() && k < kMaxNumberBytes; ++k) v = (v << 8) | bytes[k];
    return v;
}

QString textFromBytes(std::uint16_t kind, std::span<const std::uint8_t> bytes) {
    QString out;
    switch (kind) {
        case FN_DIGITS:
            for (std::uint8_t b : bytes) out += QString::number(b);
            break;
        case FN_HEX:
            for (auto it = bytes.rbegin(); it != bytes.rend(); ++it) out += QString::number(*it, 16);
            break;
        case FN_NUMBER:
            out = QString::number(bigEndianValue(bytes));
            break;
        default:
            break;
    }
    return out;
}

std::uint8_t listByte(std::uint32_t value, int k) {
    return k < kMaxNumberBytes ? static_cast<std::uint8_t>(value >> (8 * k)) : std::uint8_t{0};
}

TextEncoding encodeText(const function_parameters& item, const QString& text) {
    if (item.length < 1) return refuse(QStringLiteral("no bytes to write"));
    switch (item.func_id) {
        case FN_DIGITS:
            return encodeDigits(item, text);
        case FN_NUMBER:
            return encodeNumber(item, text);
        case FN_HEX:
            return encodeHex(item, text);
        default:
            return refuse(QStringLiteral("not a text function"));
    }
}

InputCheck checkTextInput(const QString& text, int maxLength) {
    InputCheck r{text, false};
    if (maxLength > 5) return r;
    for (qsizetype i = 0; i < r.text.size(); ++i) {
        const char16_t c = r.text[i].unicode();
        if (c >= '0' && c <= '9') {
            if (maxLength > 3) r.text.replace(QLatin1Char('0'), QLatin1Char('1'));
        } else {
            r.text.truncate(i);
            r.refused = true;
            break;
        }
    }
    return r;
}

}  // namespace dravik
