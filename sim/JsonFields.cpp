#include "sim/JsonFields.h"

#include <charconv>

namespace sim::benchfile {

namespace {

constexpr std::size_t kMaxShown = 40;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string rangeText(std::uint64_t lo, std::uint64_t hi) {
    return "an integer from " + std::to_string(lo) + " to " + std::to_string(hi);
}

}  // namespace

void fail(std::string message) { throw FileError{std::move(message)}; }

std::string describe(const nlohmann::json& value) {
    if (value.is_array()) return "an array of " + std::to_string(value.size()) + " items";
    if (value.is_object()) return "an object of " + std::to_string(value.size()) + " keys";
    std::string text = value.dump();
    if (text.size() > kMaxShown) {
        text = text.substr(0, kMaxShown) + "...";
    }
    return text;
}

std::size_t lineNestingDeeperThan(const std::string& text, int maxDepth) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    std::size_t line = 1;
    for (const char c : text) {
        if (c == '\n') ++line;
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth) return line;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return 0;
}

void checkShape(const std::string& text, std::size_t maxBytes, int maxDepth) {
    if (text.size() > maxBytes) {
        fail("file is " + std::to_string(text.size()) + " bytes; a bench file holds at most " +
             std::to_string(maxBytes) + " bytes");
    }
    if (const std::size_t line = lineNestingDeeperThan(text, maxDepth)) {
        fail("line " + std::to_string(line) + ": arrays and objects nest deeper than " + std::to_string(maxDepth) +
             " levels");
    }
}

std::optional<std::uint64_t> parseIntegerText(const std::string& text) {
    int base = 10;
    std::size_t start = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        start = 2;
    }
    if (start >= text.size()) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, ec] = std::from_chars(first, last, value, base);
    if (ec != std::errc{} || end != last) {
        return std::nullopt;
    }
    return value;
}

std::uint64_t toInteger(const nlohmann::json& value, const std::string& path, std::uint64_t lo,
                        std::uint64_t hi) {
    std::optional<std::uint64_t> number;
    if (value.is_number_unsigned()) {
        number = value.get<std::uint64_t>();
    } else if (value.is_string()) {
        number = parseIntegerText(value.get<std::string>());
    }
    if (!number || *number < lo || *number > hi) {
        fail(quoted(path) + ": expected " + rangeText(lo, hi) + ", got " + describe(value));
    }
    return *number;
}

Fields::Fields(const nlohmann::json& value, std::string path, std::initializer_list<const char*> allowed)
    : object_(value), path_(std::move(path)) {
    if (!object_.is_object()) {
        fail(quoted(path_.empty() ? "(top level)" : path_) + ": expected an object, got " + describe(value));
    }
    for (const auto& item : object_.items()) {
        bool known = false;
        for (const char* key : allowed) {
            known = known || item.key() == key;
        }
        if (!known) {
            std::string names;
            for (const char* key : allowed) {
                names += names.empty() ? key : std::string(", ") + key;
            }
            fail("unknown key " + quoted(pathOf(item.key())) + " (allowed: " + names + ")");
        }
    }
}

const nlohmann::json* Fields::find(const char* key) const {
    const auto it = object_.find(key);
    return it == object_.end() ? nullptr : &*it;
}

std::string Fields::pathOf(const std::string& key) const { return path_.empty() ? key : path_ + "." + key; }

std::optional<Fields> Fields::section(const char* key, std::initializer_list<const char*> allowed) const {
    if (const nlohmann::json* value = find(key)) {
        return Fields(*value, pathOf(key), allowed);
    }
    return std::nullopt;
}

void Fields::readBool(const char* key, bool& out) const {
    if (const nlohmann::json* value = find(key)) {
        if (!value->is_boolean()) {
            fail(quoted(pathOf(key)) + ": expected true or false, got " + describe(*value));
        }
        out = value->get<bool>();
    }
}

std::vector<std::uint8_t> Fields::readByteList(const nlohmann::json& value, const std::string& path,
                                               std::size_t count) {
    if (!value.is_array() || value.size() != count) {
        fail(quoted(path) + ": expected an array of " + std::to_string(count) +
             " bytes (integers from 0 to 255), got " + describe(value));
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string itemPath = path + "[" + std::to_string(i) + "]";
        bytes.push_back(static_cast<std::uint8_t>(toInteger(value[i], itemPath, 0, 255)));
    }
    return bytes;
}

}  // namespace sim::benchfile
