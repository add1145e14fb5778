// Bench files come from users: any text must give a config or a message, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/Bench.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto config = sim::parseBenchJson(std::string(reinterpret_cast<const char*>(data), size), error);
    if (!config && error.empty()) __builtin_trap();
    return 0;
}
