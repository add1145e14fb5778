// The settings file is a text file anyone can edit: any content reads as a number from 0 to 255 or
// is refused, and a refused content never yields a value.
#include <cstddef>
#include <cstdint>

#include "app/LanguageSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    int value = -1;
    const bool ok = dravik::parseLanguageNumber(
        QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), value);
    if (ok && (value < 0 || value > 255)) __builtin_trap();
    if (!ok && value != -1) __builtin_trap();
    return 0;
}
