// The TI-TXT reader against arbitrary text: never crashes, never reads or writes out of bounds, and
// what it accepts stays inside 20-bit addresses and hands out blocks within their capacity.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "firmware/TiTxt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dravik::TiTxtImage image;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!dravik::parseTiTxt(text, image, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    dravik::TiTxtBlockReader reader;
    reader.reset(image);
    const std::uint32_t sizes[] = {1, 32, 512, 5000, 20000};
    std::size_t total = 0;
    for (std::size_t i = 0; reader.more(); ++i) {
        const dravik::DataBlock_ b = reader.next(sizes[i % 5]);
        if (b.length == 0 || b.length > dravik::DataBlock_::kCapacity ||
            b.startAddress + b.length > dravik::kTiTxtAddressLimit)
            std::abort();
        total += b.length;
    }
    if (total != image.totalBytes()) std::abort();
    return 0;
}
