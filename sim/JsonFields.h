#pragma once
// Typed, bounded reading of one JSON object of a bench file. Every failure throws FileError with
// a message naming the key path; the parser catches it at its boundary.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace sim::benchfile {

struct FileError {
    std::string message;
};

[[noreturn]] void fail(std::string message);

// "0x1F", "0X1f" or "31"; nullopt for anything else.
std::optional<std::uint64_t> parseIntegerText(const std::string& text);

// A JSON number, or a string holding one, within lo..hi.
std::uint64_t toInteger(const nlohmann::json& value, const std::string& path, std::uint64_t lo,
                        std::uint64_t hi);

class Fields {
  public:
    // Rejects a value that is not an object, and any key not in allowed.
    Fields(const nlohmann::json& value, std::string path, std::initializer_list<const char*> allowed);

    const nlohmann::json* find(const char* key) const;
    std::string pathOf(const std::string& key) const;

    std::optional<Fields> section(const char* key, std::initializer_list<const char*> allowed) const;

    void readBool(const char* key, bool& out) const;
    template <typename T>
    void readInteger(const char* key, std::uint64_t lo, std::uint64_t hi, T& out) const {
        if (const nlohmann::json* value = find(key)) {
            out = static_cast<T>(toInteger(*value, pathOf(key), lo, hi));
        }
    }
    template <std::size_t N>
    void readBytes(const char* key, std::array<std::uint8_t, N>& out) const {
        if (const nlohmann::json* value = find(key)) {
            const std::vector<std::uint8_t> bytes = readByteList(*value, pathOf(key), N);
            std::copy(bytes.begin(), bytes.end(), out.begin());
        }
    }

  private:
    // An array of exactly count bytes.
    static std::vector<std::uint8_t> readByteList(const nlohmann::json& value, const std::string& path,
                                                  std::size_t count);

    const nlohmann::json& object_;
    std::string path_;
};

// Shortened text of a value for messages. Arrays and objects are named by kind and size, never
// dumped: a deeply nested value must not be walked recursively.
std::string describe(const nlohmann::json& value);

// The first line on which arrays and objects (outside strings) nest deeper than maxDepth; 0 when
// none does.
std::size_t lineNestingDeeperThan(const std::string& text, int maxDepth);

// Refuses text larger than maxBytes or nesting arrays and objects deeper than maxDepth, before
// any parser builds (and later walks) the nested value.
void checkShape(const std::string& text, std::size_t maxBytes, int maxDepth);

}  // namespace sim::benchfile
