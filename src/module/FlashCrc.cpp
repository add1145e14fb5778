#include "module/FlashCrc.h"

namespace dravik {

std::uint16_t CalcFlashCRC(const std::uint8_t* data, int length) {
    std::uint16_t crc = 0xFFFF;
    const auto n = static_cast<std::uint16_t>(length);
    for (std::uint16_t i = 0; i < n; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (std::uint16_t{data[i]} << 8));
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                      : static_cast<std::uint16_t>(crc << 1);
    }
    return crc;
}

}  // namespace dravik
