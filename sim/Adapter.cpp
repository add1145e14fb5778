#include "sim/Adapter.h"

#include <utility>

namespace sim {

namespace {

constexpr std::uint8_t kIdentification = 0x00;
constexpr std::uint8_t kMbusSetup = 0x40;
constexpr std::uint8_t kWirelessId = 0x41;
constexpr std::uint8_t kWirelessSetup = 0x42;
constexpr std::uint8_t kBootMode = 0x43;

constexpr std::size_t kMbusSetupMinData = 4;   // mode, output word high, low, baud code
constexpr std::size_t kWirelessIdData = 5;     // address (4 bytes, low first), system type
constexpr std::size_t kWirelessSetupData = 3;  // mode, channel group, channel

constexpr int kLines = 8;
constexpr std::uint8_t kSupplyLine = 0x01;

}  // namespace

Adapter::Adapter(AdapterConfig& config) : config_(config) {}

std::optional<Bytes> Adapter::handle(const Frame& request, std::int64_t atUs) {
    const std::size_t size = request.data.size();
    switch (request.code) {
        case kIdentification:
            if (size == 0) {
                return Bytes(config_.identification.begin(), config_.identification.end());
            }
            break;
        case kMbusSetup:
            if (size >= kMbusSetupMinData) {
                return mbusSetup(request.data, atUs);
            }
            break;
        case kWirelessId:
            if (size == kWirelessIdData) {
                return Bytes(config_.wirelessId.begin(), config_.wirelessId.end());
            }
            break;
        case kBootMode:
            // The key "BSL" guards against a stray frame restarting the adapter.
            if (config_.acceptsBootRequest && request.data == Bytes{'B', 'S', 'L'}) {
                bootRequested_ = true;
                return Bytes{0x00};
            }
            break;
        case kWirelessSetup:
            if (size == kWirelessSetupData) {
                return request.data;
            }
            break;
        default:
            break;
    }
    return std::nullopt;
}

Bytes Adapter::mbusSetup(const Bytes& data, std::int64_t atUs) {
    applyOutputWord(static_cast<std::uint16_t>(data[1] << 8 | data[2]), atUs);
    // Code 0 keeps the current speed; so does a code the firmware does not know.
    if (baudOfCode(data[3], config_.baudCode3) != 0) {
        baudCode_ = data[3];
    }
    std::uint8_t inputs = 0;
    if (config_.input1High) {
        inputs |= 0x01;
    }
    if (config_.input2High) {
        inputs |= 0x02;
    }
    return Bytes{config_.operativeMode, inputs};
}

void Adapter::applyOutputWord(std::uint16_t word, std::int64_t atUs) {
    const std::uint8_t onBits = static_cast<std::uint8_t>(word >> 8);
    const std::uint8_t offBits = static_cast<std::uint8_t>(word & 0xFF);
    const std::uint8_t before = lines_;
    for (int i = 0; i < kLines; ++i) {
        const std::uint8_t bit = static_cast<std::uint8_t>(1u << i);
        const bool on = (onBits & bit) != 0;
        const bool off = (offBits & bit) != 0;
        if (on && !off) {
            lines_ |= bit;
        } else if (off && !on) {
            lines_ &= static_cast<std::uint8_t>(~bit);
        }
    }
    const bool supplyNow = (lines_ & kSupplyLine) != 0;
    if (supplyNow != ((before & kSupplyLine) != 0)) {
        previousSupply_ = supply_;
        supply_ = SupplyPhase{supplyNow, atUs};
    }
}

std::uint16_t Adapter::outputWord() const {
    const auto off = static_cast<std::uint8_t>(~lines_);
    return static_cast<std::uint16_t>(lines_ << 8 | off);
}

std::uint32_t Adapter::baud() const { return baudOfCode(baudCode_, config_.baudCode3); }

std::optional<std::int64_t> Adapter::supplyOnSince(std::int64_t atUs) const {
    const SupplyPhase& phase = atUs >= supply_.sinceUs ? supply_ : previousSupply_;
    if (!phase.on) {
        return std::nullopt;
    }
    return phase.sinceUs;
}

bool Adapter::takeBootRequest() { return std::exchange(bootRequested_, false); }

void Adapter::powerLoss() {
    lines_ = 0;
    baudCode_ = kStartBaudCode;
    supply_ = SupplyPhase{};
    previousSupply_ = SupplyPhase{};
}

}  // namespace sim
