#pragma once
// The adapter's bootstrap loader and its flash, as the device sees them. The built-in loader takes
// only fast data blocks (into RAM), the password and load PC; once a RAM loader has been written
// and started at 0x2504 the device restarts with every command. Flash bits can only be cleared by a
// write; only an erase sets them again.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/Bench.h"
#include "sim/Wire.h"

namespace sim {

class Bootloader {
  public:
    enum class Mode { Application, BuiltIn, RamLoader };
    enum class Restart { None, IntoRamLoader, Reset };

    // Memory map of the modelled device.
    static constexpr std::uint32_t kInfoStart = 0x1800, kInfoEnd = 0x1A00, kInfoSegment = 128;
    static constexpr std::uint32_t kRamStart = 0x2400, kRamEnd = 0x4400;
    static constexpr std::uint32_t kMainStart = 0x4400, kMainEnd = 0x24400, kMainSegment = 512;
    static constexpr std::uint32_t kVectors = 0xFFE0, kResetVector = 0xFFFE;
    // Where the application keeps the four identification bytes it answers with.
    static constexpr std::uint32_t kIdentification = 0x4400;
    static constexpr std::uint32_t kRamLoaderEntry = 0x2504;

    struct Result {
        std::optional<Bytes> reply;  // 0x3A + data or 0x3B + status
        std::int64_t busyUs = 0;     // how long the device works on the command
        Restart restart = Restart::None;
    };

    Bootloader(BootloaderConfig& config, const AdapterConfig& adapter);

    // One loader command (the report's payload) in the given mode.
    Result handle(const Bytes& core, Mode mode);
    // Power came back or the device reset: RAM and the unlock are lost.
    void reset();

    bool applicationValid() const;  // the reset vector is programmed
    std::array<std::uint8_t, 4> applicationId() const;
    std::uint8_t at(std::uint32_t address) const { return memory_[address & 0xFFFFF]; }
    // Segment start addresses in the order they were erased (segment erases only).
    const std::vector<std::uint32_t>& erasedSegments() const { return erased_; }
    int massErases() const { return massErases_; }

    // The bench's own stand-in for a RAM-resident loader: TI-TXT of 117 bytes at 0x2500 and 2300
    // bytes at 0x2576 (its content is a test pattern; the model checks only that it was written).
    static std::string testRamLoaderText();

  private:
    Result password(const Bytes& core);
    Result write(const Bytes& core, bool reply, Mode mode);
    Result erase(std::uint32_t address);
    Result crc(std::uint32_t address, std::uint32_t length) const;
    void massErase();
    bool ramLoaderWritten() const;

    BootloaderConfig& config_;
    std::vector<std::uint8_t> memory_;
    std::vector<bool> ramWritten_;
    bool unlocked_ = false;
    std::vector<std::uint32_t> erased_;
    int massErases_ = 0;
};

}  // namespace sim
