#pragma once
// One run of image bytes exchanged with the loader operations. The layout is binding: 10240 data
// bytes, then the number of valid bytes, then the device address of the first byte.

#include <array>
#include <cstddef>
#include <cstdint>

namespace dravik {

struct DataBlock_ {
    static constexpr std::uint32_t kCapacity = 10240;
    std::array<std::uint8_t, kCapacity> data{};
    std::uint32_t length = 0;
    std::uint32_t startAddress = 0;
};

static_assert(sizeof(DataBlock_) == 10248, "DataBlock_ must keep its 10248-byte layout");
static_assert(offsetof(DataBlock_, length) == 10240 && offsetof(DataBlock_, startAddress) == 10244,
              "DataBlock_ field offsets are binding");

}  // namespace dravik
