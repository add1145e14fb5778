#pragma once
// The data bytes of the module's programming, setup, protection and log commands, and the texts
// made from their answers. Pure functions: the machine writes the bytes into the transmit frame.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace dravik {

// Slot (INDEX_SLOT_SETUP) or decoder (DECODE_SLOT_SETUP), the parameter word high byte first, and
// the sum of the three bytes.
std::array<std::uint8_t, 4> slotSetupData(std::uint16_t selector, std::uint16_t parameterBC);

// AUX_MODULE_SETUP for a module reached through the product, by its software type.
std::array<std::uint8_t, 3> auxModuleSetupData(std::uint8_t softwareType, std::uint16_t slot,
                                               std::uint16_t parameterA, std::uint16_t parameterBC);

// Progress of line `line` of slot `slot` while a protocol image is sent; linesPerSlot must not be 0.
int sendProgress(std::uint8_t line, std::uint8_t slot, std::uint8_t linesPerSlot, std::uint8_t slotsPerBlock);

// Exactly six characters, all decimal digits.
bool validModulePassword(const QString& password);

// MODULE_PROTECTION: 1 to lock an unlocked module, 0 to unlock a locked one, the six digits packed
// two per byte (first digit in the high half) and the sum of the packed bytes. Nothing for a
// password that is not valid or a protection state other than 0 or 1.
std::optional<std::array<std::uint8_t, 5>> protectionData(std::uint8_t protectionState,
                                                          const QString& password);

// The text of a log entry type; empty for a type without one.
QString logTypeText(std::uint8_t type);

// One log line from a READ_MODULE_LOGS answer's data bytes (entry, time high, time low, type, five
// data bytes), ending in CR LF.
QString logLine(const std::array<std::uint8_t, 9>& answer);

}  // namespace dravik
