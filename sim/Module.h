#pragma once
// A slot module wired directly to the adapter's cable: protocol slots with their selection state,
// the current protocol selection and its parameters, a password lock, an event log and the flash
// loader. It shares the product's destination and listens only while the adapter's lines are
// switched for it.

#include <cstdint>
#include <optional>
#include <vector>

#include "sim/Bench.h"
#include "sim/ModuleFlash.h"
#include "sim/Wire.h"

namespace sim {

class Module {
  public:
    Module(ModuleConfig& config, const Faults& faults);

    // The lines that give the module the bus: output 1 high on and the key off.
    bool owns(std::uint8_t lines) const;

    // Whether the module hears a request at atUs: it owns the lines, the M-Bus runs at its speed,
    // and its supply has been on for its boot time (and has been cycled since a power loss).
    bool listens(std::uint8_t lines, std::uint8_t baudCode, std::optional<std::int64_t> supplyOnSinceUs,
                 std::int64_t atUs) const;

    // Answer data for a request the module heard, or nullopt when it stays silent.
    std::optional<Bytes> handle(const Frame& request, std::int64_t supplyOnSinceUs);

    const std::vector<std::uint8_t>& image() const { return flash_.image(); }

  private:
    bool selectsBySlotState() const;
    std::vector<std::size_t> workingSlots() const;
    const SlotConfig* selectedSlot() const;

    Bytes actualSelection() const;
    Bytes actualAll() const;
    Bytes slotInfo(std::uint8_t number, bool all) const;
    Bytes writeSlotSettings(const Bytes& data);
    Bytes indexSetup(const Bytes& data);
    Bytes decodeSetup(const Bytes& data);
    Bytes protection(const Bytes& data);
    Bytes logs(std::uint8_t number);
    std::optional<Bytes> flashLine(const Bytes& data, std::int64_t supplyOnSinceUs);

    ModuleConfig& config_;
    const Faults& faults_;
    ModuleFlash flash_;
    std::optional<std::int64_t> runningSinceUs_;
    // The supply phase in which the module lost its power; it stays dead until a new one.
    std::optional<std::int64_t> deadInSupplySinceUs_;
    int linesReceived_ = 0;
};

}  // namespace sim
