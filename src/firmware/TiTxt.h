#pragma once
// TI-TXT images: "@ADDR" starts a section, data lines hold hexadecimal bytes, "q" ends the image.
// The reader is strict: anything that is not hexadecimal, an address beyond 20 bits, data outside a
// section, overlapping sections or a missing "q" refuse the whole image with a message naming the
// line. Any case and any white space are accepted; odd addresses and lengths are kept as they are.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/DataBlock.h"

namespace dravik {

struct TiTxtSection {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
    std::uint32_t end() const { return address + static_cast<std::uint32_t>(bytes.size()); }
};

struct TiTxtImage {
    // In file order; adjacent sections are joined into one run.
    std::vector<TiTxtSection> sections;
    std::size_t totalBytes() const;
};

inline constexpr std::uint32_t kTiTxtAddressLimit = 0x100000;  // 20-bit device addresses
inline constexpr std::size_t kTiTxtMaxFileBytes = 8u << 20;    // far above any device's memory

// Parses text; on failure returns false and sets error to e.g. "line 7: \"4G\" is not a hexadecimal byte".
bool parseTiTxt(std::string_view text, TiTxtImage& image, std::string& error);

// What the library's block reader answers for a text that is not a valid image.
inline constexpr int kTiTxtInvalid = -3;

// Hands an image out as blocks: one contiguous run of at most maxBlock bytes each, in file order.
class TiTxtBlockReader {
  public:
    void reset(TiTxtImage image = {});
    bool more() const { return section_ < image_.sections.size(); }
    // The next block; an empty block (length 0) when nothing remains.
    DataBlock_ next(std::uint32_t maxBlock);

  private:
    TiTxtImage image_;
    std::size_t section_ = 0;
    std::size_t offset_ = 0;
};

}  // namespace dravik
