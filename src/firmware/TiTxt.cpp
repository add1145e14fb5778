#include "firmware/TiTxt.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace dravik {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string quoted(std::string_view token) {
    constexpr std::size_t kShown = 16;
    std::string s(token.substr(0, kShown));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
    return "\"" + s + (token.size() > kShown ? "...\"" : "\"");
}

class Parser {
  public:
    Parser(TiTxtImage& image, std::string& error) : image_(image), error_(error) {}

    bool run(std::string_view text) {
        std::size_t lineNo = 0;
        while (!text.empty()) {
            const std::size_t nl = text.find('\n');
            const std::string_view line = trim(text.substr(0, nl));
            text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
            ++lineNo;
            if (line.empty()) continue;
            if (line == "q" || line == "Q") return closeSection(lineNo);
            const bool ok = line.front() == '@' ? address(line.substr(1), lineNo) : data(line, lineNo);
            if (!ok) return false;
        }
        return fail(lineNo + 1, "the image does not end with \"q\"");
    }

  private:
    bool fail(std::size_t lineNo, const std::string& what) {
        error_ = "line " + std::to_string(lineNo) + ": " + what;
        return false;
    }

    bool address(std::string_view digits, std::size_t lineNo) {
        digits = trim(digits);
        if (digits.empty()) return fail(lineNo, "\"@\" without an address");
        std::uint32_t value = 0;
        for (char c : digits) {
            const int v = hexValue(c);
            if (v < 0) return fail(lineNo, "address " + quoted(digits) + " is not hexadecimal");
            value = value * 16 + static_cast<std::uint32_t>(v);
            if (value >= kTiTxtAddressLimit)
                return fail(lineNo, "address " + quoted(digits) + " is beyond 20 bits");
        }
        if (!closeSection(lineNo)) return false;
        current_ = TiTxtSection{value, {}};
        open_ = true;
        return true;
    }

    bool data(std::string_view line, std::size_t lineNo) {
        if (!open_) return fail(lineNo, "data before the first \"@\" address");
        while (!line.empty()) {
            std::size_t n = 0;
            while (n < line.size() && !isBlank(line[n])) ++n;
            const std::string_view token = line.substr(0, n);
            line = trim(line.substr(n));
            const int hi = hexValue(token[0]);
            const int lo = token.size() == 2 ? hexValue(token[1]) : -1;
            if (hi < 0 || lo < 0) return fail(lineNo, quoted(token) + " is not a hexadecimal byte");
            if (current_.end() >= kTiTxtAddressLimit)
                return fail(lineNo, "data runs beyond 20-bit addresses");
            current_.bytes.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
        }
        return true;
    }

    bool closeSection(std::size_t lineNo) {
        if (!open_ || current_.bytes.empty()) return true;
        for (const TiTxtSection& s : image_.sections) {
            if (current_.address < s.end() && s.address < current_.end())
                return fail(lineNo, "the section before this line overlaps earlier data");
        }
        if (!image_.sections.empty() && image_.sections.back().end() == current_.address) {
            auto& last = image_.sections.back().bytes;
            last.insert(last.end(), current_.bytes.begin(), current_.bytes.end());
        } else {
            image_.sections.push_back(std::move(current_));
        }
        current_ = {};
        return true;
    }

    TiTxtImage& image_;
    std::string& error_;
    TiTxtSection current_;
    bool open_ = false;
};

}  // namespace

std::size_t TiTxtImage::totalBytes() const {
    std::size_t n = 0;
    for (const TiTxtSection& s : sections) n += s.bytes.size();
    return n;
}

bool parseTiTxt(std::string_view text, TiTxtImage& image, std::string& error) {
    TiTxtImage parsed;
    error.clear();
    if (text.size() > kTiTxtMaxFileBytes) {
        error = "the image is larger than " + std::to_string(kTiTxtMaxFileBytes) + " bytes";
        return false;
    }
    Parser parser(parsed, error);
    if (!parser.run(text)) return false;
    image = std::move(parsed);
    return true;
}

void TiTxtBlockReader::reset(TiTxtImage image) {
    image_ = std::move(image);
    section_ = 0;
    offset_ = 0;
}

DataBlock_ TiTxtBlockReader::next(std::uint32_t maxBlock) {
    DataBlock_ block;
    if (!more()) return block;
    const TiTxtSection& s = image_.sections[section_];
    const std::size_t limit = std::clamp<std::uint32_t>(maxBlock, 1, DataBlock_::kCapacity);
    const std::size_t n = std::min(limit, s.bytes.size() - offset_);
    std::copy_n(s.bytes.begin() + static_cast<std::ptrdiff_t>(offset_), n, block.data.begin());
    block.length = static_cast<std::uint32_t>(n);
    block.startAddress = s.address + static_cast<std::uint32_t>(offset_);
    offset_ += n;
    if (offset_ >= s.bytes.size()) {
        ++section_;
        offset_ = 0;
    }
    return block;
}

}  // namespace dravik
