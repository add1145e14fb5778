#pragma once
// Takes a fuzz input apart into the choices of one run. An exhausted input answers 0 for ever, so
// every run ends the ordinary way.

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    std::int64_t int64() {
        std::uint64_t v = 0;
        for (int i = 0; i < 8; ++i) v = v << 8 | byte();
        return static_cast<std::int64_t>(v);
    }
    // At most max bytes, fewer when the input ends.
    std::string text(std::size_t max) {
        const std::size_t n =
            std::min<std::size_t>({std::size_t{byte()}, max, size_ - std::min(pos_, size_)});
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace fuzz
