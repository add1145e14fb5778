#pragma once
// The adapter's application firmware: identification, the eight output lines towards the vehicle,
// the M-Bus speed, the two input levels and the wireless requests of the interface library.

#include <cstdint>
#include <limits>
#include <optional>

#include "sim/Bench.h"
#include "sim/Wire.h"

namespace sim {

class Adapter {
public:
    explicit Adapter(AdapterConfig& config);

    // Answer data for a frame addressed to the adapter, or nullopt when it stays silent.
    // atUs is when the request reaches the adapter; line changes take effect then.
    std::optional<Bytes> handle(const Frame& request, std::int64_t atUs);

    // Per line, bit i+8 when on and bit i when off.
    std::uint16_t outputWord() const;
    // Bit i set: line i on.
    std::uint8_t lines() const { return lines_; }
    std::uint8_t baudCode() const { return baudCode_; }
    std::uint32_t baud() const;

    // When the product's supply (line 0) came on, if it is on at atUs.
    std::optional<std::int64_t> supplyOnSince(std::int64_t atUs) const;

    // The adapter lost its USB power: every line off, the M-Bus back at its start speed.
    void powerLoss();

    // True once after the application accepted the request to restart into the loader.
    bool takeBootRequest();

private:
    static constexpr std::int64_t kLongAgo = std::numeric_limits<std::int64_t>::min();
    static constexpr std::uint8_t kStartBaudCode = 1;

    struct SupplyPhase {
        bool on = false;
        std::int64_t sinceUs = kLongAgo;
    };

    Bytes mbusSetup(const Bytes& data, std::int64_t atUs);
    void applyOutputWord(std::uint16_t word, std::int64_t atUs);

    AdapterConfig& config_;
    bool bootRequested_ = false;
    std::uint8_t lines_ = 0;  // bit i set = line i on
    std::uint8_t baudCode_ = kStartBaudCode;
    // The supply's current and previous phase, so a query just before a switch still sees the
    // line as it was.
    SupplyPhase supply_;
    SupplyPhase previousSupply_;
};

}  // namespace sim
