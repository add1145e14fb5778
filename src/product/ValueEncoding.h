#pragma once
// How the six function kinds lay their values out in the product's memory, and the input rule of
// the panel's short text boxes. Pure functions: no widgets, no device.

#include <QString>
#include <cstdint>
#include <span>
#include <vector>

#include "database/FunctionParameters.h"

namespace dravik {

// FN_LIST, FN_RANGE: byte k weighs 256^k (at most 4 bytes).
std::uint32_t littleEndianValue(std::span<const std::uint8_t> bytes);
// FN_NUMBER: the byte at the lowest address is the most significant (at most 4 bytes).
std::uint32_t bigEndianValue(std::span<const std::uint8_t> bytes);

// Text shown for the bytes of a text function, in address order: FN_DIGITS the decimal bytes
// concatenated, FN_HEX the bytes last first in lowercase hexadecimal without leading zeros,
// FN_NUMBER the big-endian value in decimal. Other kinds give an empty text.
QString textFromBytes(std::uint16_t kind, std::span<const std::uint8_t> bytes);

// Byte k of a list value of `length` bytes: bits 8k..8k+7.
std::uint8_t listByte(std::uint32_t value, int k);

// One byte to write: offset from the function's address, and its value.
struct ByteWrite {
    std::uint16_t offset = 0;
    std::uint8_t value = 0;
};

struct TextEncoding {
    bool ok = false;
    QString error;                 // why the text cannot be written (when !ok)
    QString shownText;             // the row's text after the write (FN_DIGITS shows its padded code)
    std::uint32_t value = 0;       // FN_DIGITS, FN_NUMBER: the number written (after clamping)
    std::vector<ByteWrite> bytes;  // in the order they are sent
};

// Encodes the text of a text function for writing. `item` supplies length and limits; a value is
// clamped to ValMin..ValMax when ValMax > 0. Texts that cannot be written exactly are refused:
// FN_DIGITS/FN_NUMBER texts that are not a decimal number, a number that does not fit the bytes,
// a code longer than its bytes; FN_HEX texts that are not exactly two hexadecimal digits per byte.
TextEncoding encodeText(const function_parameters& item, const QString& text);

// The input rule of a panel text box with a maximum length of at most 5: digits only; boxes of 4
// or 5 characters hold codes whose digits run 1 to 9, so every 0 becomes 1. The first other
// character cuts the text. Boxes with a larger (or no) maximum are not checked.
struct InputCheck {
    QString text;
    bool refused = false;  // a character other than a digit was cut off
};
InputCheck checkTextInput(const QString& text, int maxLength);

}  // namespace dravik
