#pragma once
// Reading of the bench file's module section and of the per-command faults.

#include "sim/Bench.h"
#include "sim/JsonFields.h"

namespace sim::benchfile {

inline constexpr std::initializer_list<const char*> kModuleKeys = {
    "hardwareVersion", "softwareType", "softwareVersion", "baudCode",     "bootTimeMs",
    "slots",           "selection",    "protection",      "password",     "logs",
    "logsNumber",      "unlockKeys",   "slotsPerBlock",   "bytesPerSlot", "headerKey"};

void readModule(const Fields& fields, ModuleConfig& module);

// An array of {"code", "after", "count"} objects.
std::vector<CommandFault> readCommandFaults(const nlohmann::json& value, const std::string& path);

}  // namespace sim::benchfile
