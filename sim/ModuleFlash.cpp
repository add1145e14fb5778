#include "sim/ModuleFlash.h"

#include <algorithm>
#include <array>

#include "sim/Crc16.h"

namespace sim {

namespace {

constexpr std::uint8_t kAccepted = 1;
constexpr std::uint8_t kRefused = 0;
constexpr std::uint8_t kOutOfRange = 2;  // a line answer's result for a slot or line outside the image

constexpr std::size_t kLineBytes = 16;
constexpr std::size_t kLineRequestBytes = 2 + kLineBytes;

// Offsets of the slot header in a slot's image.
constexpr std::size_t kNameBytes = 14;
constexpr std::size_t kRevision = 14;
constexpr std::size_t kVersion = 15;
constexpr std::size_t kDecoderType = 16;
constexpr std::size_t kGroup = 17;
constexpr std::size_t kHeaderBytes = 18;

}  // namespace

ModuleFlash::ModuleFlash(ModuleConfig& config) : config_(config) {}

std::size_t ModuleFlash::imageSize() const {
    return std::size_t{config_.slotsPerBlock} * config_.bytesPerSlot;
}

Bytes ModuleFlash::unlock(std::uint8_t key1, std::uint8_t key2) {
    unlocked_ = key1 == config_.unlockKeys[0] && key2 == config_.unlockKeys[1];
    image_.assign(unlocked_ ? imageSize() : 0, kErased);
    return Bytes{unlocked_ ? kAccepted : kRefused};
}

Bytes ModuleFlash::line(const Bytes& request) {
    const std::uint8_t slot = request[0];
    const std::uint8_t line = request[1];
    if (!unlocked_ || request.size() != kLineRequestBytes) {
        return Bytes{slot, line, kRefused};
    }
    const std::size_t linesPerSlot = config_.bytesPerSlot / kLineBytes;
    if (slot >= config_.slotsPerBlock || line >= linesPerSlot) {
        return Bytes{slot, line, kOutOfRange};
    }
    const std::size_t at = std::size_t{slot} * config_.bytesPerSlot + std::size_t{line} * kLineBytes;
    std::copy(request.begin() + 2, request.end(), image_.begin() + static_cast<std::ptrdiff_t>(at));
    return Bytes{slot, line, kAccepted};
}

Bytes ModuleFlash::verify(std::uint8_t crcLow, std::uint8_t crcHigh) {
    const bool wasUnlocked = unlocked_;
    unlocked_ = false;  // a new image starts with a new unlock
    if (!wasUnlocked) {
        return Bytes{kRefused};
    }
    const auto expected = static_cast<std::uint16_t>(crcHigh << 8 | crcLow);
    if (flashCrc(image_.data(), image_.size()) != expected) {
        return Bytes{kRefused};
    }
    install();
    return Bytes{kAccepted};
}

void ModuleFlash::install() {
    auto& table = config_.allSlots;
    if (config_.bytesPerSlot < kHeaderBytes) {
        return;
    }
    const std::size_t count = std::min<std::size_t>(config_.slotsPerBlock, table.size());
    const std::size_t first = table.size() - count;
    for (std::size_t k = 0; k < count; ++k) {
        std::array<std::uint8_t, kHeaderBytes> header{};
        const auto from = image_.begin() + static_cast<std::ptrdiff_t>(k * config_.bytesPerSlot);
        std::transform(from, from + kHeaderBytes, header.begin(),
                       [this](std::uint8_t b) { return static_cast<std::uint8_t>(b ^ config_.headerKey); });
        SlotConfig& slot = table[first + k];
        std::copy_n(header.begin(), kNameBytes, slot.name.begin());
        slot.revision = header[kRevision];
        slot.version = header[kVersion];
        slot.decoderType = header[kDecoderType];
        slot.group = header[kGroup];
        slot.groupCode = header[kGroup];
        slot.state[0] |= 0x01;  // a freshly programmed protocol joins the selection
    }
}

void ModuleFlash::reset() {
    unlocked_ = false;
    image_.clear();
}

}  // namespace sim
