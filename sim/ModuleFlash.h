#pragma once
// The slot module's flash loader: unlocked with two key bytes, it takes an image of
// slotsPerBlock x bytesPerSlot bytes in 16-byte lines, checks it against the CRC the host sends
// and then installs it in the module's last slots.

#include <cstdint>
#include <vector>

#include "sim/Bench.h"
#include "sim/Wire.h"

namespace sim {

class ModuleFlash {
  public:
    explicit ModuleFlash(ModuleConfig& config);

    // Answer data of the three loader requests.
    Bytes unlock(std::uint8_t key1, std::uint8_t key2);
    // line: slot, line, 16 bytes.
    Bytes line(const Bytes& request);
    Bytes verify(std::uint8_t crcLow, std::uint8_t crcHigh);

    // Power lost: the loader locks and the received lines are gone.
    void reset();

    const std::vector<std::uint8_t>& image() const { return image_; }

  private:
    static constexpr std::uint8_t kErased = 0xFF;

    std::size_t imageSize() const;
    void install();

    ModuleConfig& config_;
    bool unlocked_ = false;
    std::vector<std::uint8_t> image_;
};

}  // namespace sim
