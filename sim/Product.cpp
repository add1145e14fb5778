#include "sim/Product.h"

namespace sim {

namespace {

constexpr std::uint8_t kIdentification = 0x00;
constexpr std::uint8_t kMemoryRead = 0x01;
constexpr std::uint8_t kMemoryWrite = 0x02;
constexpr std::uint8_t kTestMode = 0x05;
constexpr std::uint8_t kAuxModuleInfo = 0x08;
constexpr std::uint8_t kAuxModuleConfig = 0x09;
constexpr std::uint8_t kAuxModuleSetup = 0x0A;
constexpr std::uint8_t kParkingDefault = 0x0F;

constexpr std::uint8_t kTestModeOn = 0x01;
constexpr std::size_t kModuleSettingsBytes = 3;

template <std::size_t N>
Bytes bytesOf(const std::array<std::uint8_t, N>& values) {
    return Bytes(values.begin(), values.end());
}

}  // namespace

Product::Product(ProductConfig& config) : config_(config) {}

bool Product::listens(std::uint8_t baudCode, std::optional<std::int64_t> supplyOnSinceUs,
                      std::int64_t atUs) const {
    return config_.present && baudCode == config_.baudCode && supplyOnSinceUs.has_value() &&
           atUs - *supplyOnSinceUs >= static_cast<std::int64_t>(config_.bootTimeUs);
}

std::optional<Bytes> Product::handle(const Frame& request, std::int64_t supplyOnSinceUs) {
    if (runningSinceUs_ != supplyOnSinceUs) {
        // A new power-up: the product restarted; only the EEPROM kept its contents.
        runningSinceUs_ = supplyOnSinceUs;
        testMode_ = false;
    }
    // Several codes are reused by module commands with data; each command answers only to its
    // own data length.
    const Bytes& data = request.data;
    switch (request.code) {
        case kIdentification:
            if (data.empty()) {
                return bytesOf(config_.identification);
            }
            break;
        case kMemoryRead:
            if (data.size() == 1) {
                return Bytes{data[0], config_.memory[data[0]]};
            }
            break;
        case kMemoryWrite:
            // data: address, 0, value (the middle byte is not looked at)
            if (data.size() == 3) {
                if (data[0] != config_.keepsAddress) config_.memory[data[0]] = data[2];
                writes_.emplace_back(data[0], data[2]);
                return Bytes{data[0], data[2]};
            }
            break;
        case kTestMode:
            if (data.size() == 1) {
                testMode_ = data[0] == kTestModeOn;
                return Bytes{};
            }
            break;
        case kAuxModuleInfo:
            if (data.empty() && config_.hasModule) {
                return bytesOf(config_.moduleInfo);
            }
            break;
        case kAuxModuleConfig:
            if (data.empty()) {
                return bytesOf(config_.moduleConfig);
            }
            break;
        case kAuxModuleSetup:
            // The module behind the product takes its settings only in test mode; the product
            // keeps them in its memory, where they are read back.
            if (data.size() == kModuleSettingsBytes && config_.hasModule && testMode_) {
                for (std::size_t i = 0; i < kModuleSettingsBytes; ++i) {
                    config_.memory[static_cast<std::uint8_t>(config_.moduleInfoAddress + i)] = data[i];
                }
                return data;
            }
            break;
        case kParkingDefault:
            if (data.empty()) {
                config_.memory = config_.defaults;
                return Bytes{};
            }
            break;
        default:
            break;
    }
    return std::nullopt;
}

}  // namespace sim
