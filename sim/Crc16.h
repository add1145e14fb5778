#pragma once
// The checksum the module's bootloader computes over a received flash image: CRC-16 with the
// polynomial 0x1021, register preset 0xFFFF, no reflection and no final XOR.

#include <cstddef>
#include <cstdint>

namespace sim {

inline std::uint16_t flashCrc(const std::uint8_t* bytes, std::size_t count) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < count; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ (bytes[i] << 8));
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                      : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

}  // namespace sim
