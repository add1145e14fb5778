#pragma once
// The checksum the module computes over a programmed protocol image: register from 0xFFFF,
// polynomial 0x1021 on the high bit first, no reflection, no final XOR.

#include <cstdint>

namespace dravik {

// The length is taken as 16 bits, as the module counts it.
std::uint16_t CalcFlashCRC(const std::uint8_t* data, int length);

}  // namespace dravik
