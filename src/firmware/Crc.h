#pragma once
// The 16-bit CRC the adapter's loader computes over a memory range: polynomial 0x1021, most
// significant bit first, no reflection, no final XOR ("123456789" from 0xFFFF gives 0x29B1).

#include <cstdint>

namespace dravik {

class CRC {
  public:
    explicit CRC(std::uint16_t initial = 0xFFFF) : crc(initial) {}
    void CrcInit(std::uint16_t v) { crc = v; }
    void CrcInput(std::uint8_t b) {
        unsigned x = ((crc >> 8) ^ b) & 0xFFu;
        x ^= x >> 4;
        crc = static_cast<std::uint16_t>((crc << 8) ^ (x << 12) ^ (x << 5) ^ x);
    }
    std::uint16_t GetCrcValue() const { return crc; }

    std::uint16_t crc;
};

}  // namespace dravik
