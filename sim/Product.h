#pragma once
// The vehicle product behind the adapter: identification, an EEPROM of 256 bytes with factory
// defaults, test mode and the information about a module that may follow it.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "sim/Bench.h"
#include "sim/Wire.h"

namespace sim {

class Product {
public:
    explicit Product(ProductConfig& config);

    // Whether the product hears a request at atUs: present, at its own speed, and its supply
    // on for at least its boot time.
    bool listens(std::uint8_t baudCode, std::optional<std::int64_t> supplyOnSinceUs, std::int64_t atUs) const;

    // Answer data for a request the product heard, or nullopt when it stays silent.
    // supplyOnSinceUs tells a new power-up from the running one: volatile state is lost between.
    std::optional<Bytes> handle(const Frame& request, std::int64_t supplyOnSinceUs);

    const std::vector<std::pair<std::uint8_t, std::uint8_t>>& writes() const { return writes_; }
    bool testMode() const { return testMode_; }

private:
    ProductConfig& config_;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> writes_;
    bool testMode_ = false;
    std::optional<std::int64_t> runningSinceUs_;
};

}  // namespace sim
