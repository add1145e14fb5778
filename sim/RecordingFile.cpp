// Reading a recording line by line. Every line is one flat JSON object; every size, time, count
// and byte is checked before it is kept, and the first fault names its line.

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <utility>

#include "sim/JsonFields.h"
#include "sim/Recording.h"

namespace sim {

namespace {

struct LineError {
    std::string message;
};

[[noreturn]] void fail(const std::string& message) { throw LineError{message}; }

constexpr std::size_t kMaxHeaderText = 200;
constexpr std::size_t kMaxCallName = 40;

// Only one object, nothing nested in it: a line cannot make the parser build deep values.
void checkFlat(const std::string& line) {
    if (benchfile::lineNestingDeeperThan(line, 1) != 0) fail("values may not be arrays or objects");
}

class Line {
  public:
    Line(const nlohmann::json& object, std::initializer_list<const char*> allowed) : object_(object) {
        for (const auto& item : object.items()) {
            if (std::none_of(allowed.begin(), allowed.end(), [&](const char* k) { return item.key() == k; }))
                fail("unknown key \"" + shortened(item.key()) + "\"");
        }
    }

    const nlohmann::json* find(const char* key) const {
        const auto it = object_.find(key);
        return it == object_.end() ? nullptr : &*it;
    }
    const nlohmann::json& need(const char* key) const {
        const nlohmann::json* v = find(key);
        if (v == nullptr) fail(std::string("\"") + key + "\" is missing");
        return *v;
    }
    std::int64_t integer(const char* key, std::int64_t lo, std::int64_t hi) const {
        const nlohmann::json& v = need(key);
        std::int64_t n = 0;
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(hi)) outOfRange(key, lo, hi);
            n = static_cast<std::int64_t>(u);
        } else if (v.is_number_integer()) {
            n = v.get<std::int64_t>();
        } else {
            fail(std::string("\"") + key + "\" must be a whole number");
        }
        if (n < lo || n > hi) outOfRange(key, lo, hi);
        return n;
    }
    std::string text(const char* key, std::size_t maxSize) const {
        const nlohmann::json& v = need(key);
        if (!v.is_string()) fail(std::string("\"") + key + "\" must be a text");
        const auto& s = v.get_ref<const std::string&>();
        if (s.size() > maxSize)
            fail(std::string("\"") + key + "\" is longer than " + std::to_string(maxSize) + " characters");
        return s;
    }
    std::string optionalText(const char* key) const { return find(key) != nullptr ? text(key, kMaxHeaderText) : ""; }
    // "0x2047": four hex digits at most.
    std::uint16_t id(const char* key) const {
        const std::string s = text(key, kMaxHeaderText);
        if (s.size() < 3 || s.size() > 6 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X') ||
            !std::all_of(s.begin() + 2, s.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
            fail(std::string("\"") + key + "\" must be written like 0x2047");
        return static_cast<std::uint16_t>(std::stoul(s.substr(2), nullptr, 16));
    }

  private:
    [[noreturn]] static void outOfRange(const char* key, std::int64_t lo, std::int64_t hi) {
        fail(std::string("\"") + key + "\" must be from " + std::to_string(lo) + " to " + std::to_string(hi));
    }
    static std::string shortened(const std::string& s) { return s.size() > 20 ? s.substr(0, 20) + "..." : s; }

    const nlohmann::json& object_;
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "01 f2 02 ** 00": up to 62 bytes, two hex digits or "**" each, one blank between them.
void readBytes(const std::string& s, RecordedEvent& e) {
    if (s.size() > kMaxRecordedReport * 3) fail("\"data\" holds more than 62 bytes");
    for (std::size_t i = 0; i < s.size(); i += 3) {
        if (i + 2 > s.size() || (i + 2 < s.size() && s[i + 2] != ' '))
            fail("\"data\" must be bytes of two hex digits separated by one blank");
        if (s[i] == '*' && s[i + 1] == '*') {
            e.bytes.push_back(0);
            e.masked.push_back(true);
            continue;
        }
        const int hi = hexDigit(s[i]);
        const int lo = hexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) fail("\"data\" must be bytes of two hex digits separated by one blank");
        e.bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
        e.masked.push_back(false);
    }
}

// One line; false for a line that carries nothing the replay plays (start, stop, call).
bool readLine(const nlohmann::json& object, bool first, Recording& out, RecordedEvent& e) {
    if (!object.is_object()) fail("a line must be one JSON object");
    const auto ev = object.find("ev");
    if (ev == object.end() || !ev->is_string()) fail("\"ev\" is missing");
    const std::string& kind = ev->get_ref<const std::string&>();
    if (first != (kind == "start")) fail(first ? "the first line must be the start line" : "a second start line");
    auto timeOf = [&](const Line& l) { e.timeUs = l.integer("t", 0, kMaxRecordedTimeUs); };
    if (kind == "start") {
        const Line l(object, {"t", "ev", "format", "program", "backend", "database", "started"});
        timeOf(l);
        const std::int64_t format = l.integer("format", 0, 1000);
        if (format != 1) fail("format " + std::to_string(format) + " is not known; this replay reads format 1");
        out.program = l.optionalText("program");
        out.backend = l.optionalText("backend");
        out.database = l.optionalText("database");
        l.optionalText("started");
        return false;
    }
    if (kind == "tx" || kind == "rx") {
        const Line l(object, {"t", "ev", "data"});
        timeOf(l);
        e.kind = kind == "tx" ? RecordedEvent::Kind::Tx : RecordedEvent::Kind::Rx;
        readBytes(l.text("data", kMaxHeaderText), e);
        return true;
    }
    if (kind == "open") {
        const Line l(object, {"t", "ev", "device", "result"});
        timeOf(l);
        e.kind = RecordedEvent::Kind::Open;
        e.device = l.text("device", kMaxRecordedDeviceText);
        e.result = static_cast<int>(l.integer("result", 0, 255));
        return true;
    }
    if (kind == "notify") {
        timeOf(Line(object, {"t", "ev"}));
        e.kind = RecordedEvent::Kind::Notify;
        return true;
    }
    if (kind == "arrival") {
        const Line l(object, {"t", "ev", "vid", "pid", "n"});
        timeOf(l);
        e.kind = RecordedEvent::Kind::Arrival;
        e.vid = l.id("vid");
        e.pid = l.id("pid");
        e.count = static_cast<int>(l.integer("n", 1, 127));
        return true;
    }
    if (kind == "removal") {
        const Line l(object, {"t", "ev", "pid"});
        timeOf(l);
        if (l.find("pid") != nullptr) e.pid = l.id("pid");
        e.kind = RecordedEvent::Kind::Removal;
        return true;
    }
    if (kind == "call") {
        const Line l(object, {"t", "ev", "op", "result", "address", "length"});
        timeOf(l);
        l.text("op", kMaxCallName);
        l.integer("result", -0x80000000LL, 0xFFFFFFFFLL);
        if (l.find("address") != nullptr) l.integer("address", 0, 0xFFFFFFFFLL);
        if (l.find("length") != nullptr) l.integer("length", 0, 0xFFFFFFFFLL);
        return false;
    }
    if (kind == "stop") {
        timeOf(Line(object, {"t", "ev"}));
        return false;
    }
    fail("unknown event \"" + (kind.size() > 20 ? kind.substr(0, 20) + "..." : kind) + "\"");
}

// An arrival or removal is learnt when the program counts, after the notification that announced
// it: it is played just before that notification, so the count the notification starts sees it.
// Without one (the adapter present from the start, a count that found it first) it is played
// with the event before it. A change never moves before an earlier change.
//
// One pass: each change is given the slot (index among the other events) it goes before, then
// the two sequences are merged, so a long recording loads in linear time.
void placeBusChanges(std::vector<RecordedEvent>& events) {
    std::vector<RecordedEvent> others;
    std::vector<std::pair<std::size_t, RecordedEvent>> changes;  // (slot, change), slots ascending
    others.reserve(events.size());
    std::size_t lastNotify = 0;  // slot of the last notification; valid when haveNotify
    bool haveNotify = false;
    std::size_t firstFree = 0;  // the slot of the last change: none may go before it
    for (RecordedEvent& e : events) {
        const bool change = e.kind == RecordedEvent::Kind::Arrival || e.kind == RecordedEvent::Kind::Removal;
        if (!change) {
            if (e.kind == RecordedEvent::Kind::Notify) {
                lastNotify = others.size();
                haveNotify = true;
            }
            others.push_back(std::move(e));
            continue;
        }
        std::size_t slot = others.size();
        if (haveNotify && lastNotify >= firstFree) {
            slot = lastNotify;
            e.timeUs = others[slot].timeUs;
        } else {
            e.timeUs = others.empty() ? 0 : others.back().timeUs;
        }
        firstFree = slot;
        changes.emplace_back(slot, std::move(e));
    }
    events.clear();
    events.reserve(others.size() + changes.size());
    auto change = changes.begin();
    for (std::size_t i = 0; i <= others.size(); ++i) {
        for (; change != changes.end() && change->first == i; ++change)
            events.push_back(std::move(change->second));
        if (i < others.size()) events.push_back(std::move(others[i]));
    }
}

}  // namespace

std::optional<Recording> parseRecording(const std::string& text, std::string& error) {
    if (text.size() > kMaxRecordingBytes) {
        error = "the recording is " + std::to_string(text.size()) + " bytes; at most " +
                std::to_string(kMaxRecordingBytes) + " are read";
        return std::nullopt;
    }
    Recording out;
    int lineNumber = 0;
    std::int64_t lastUs = 0;
    bool first = true;
    try {
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(pos, std::min(end - pos, kMaxRecordingLineBytes + 1));
            const std::size_t length = end - pos;
            pos = end + 1;
            ++lineNumber;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (line.find_first_not_of(" \t") == std::string::npos) continue;
            if (length > kMaxRecordingLineBytes)
                fail("the line is longer than " + std::to_string(kMaxRecordingLineBytes) + " bytes");
            // The JSON reader would take a NUL for the end of the line and ignore what follows.
            if (line.find('\0') != std::string::npos) fail("the line holds a NUL byte");
            checkFlat(line);
            const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
            if (object.is_discarded()) fail("not valid JSON");
            RecordedEvent e;
            e.line = lineNumber;
            const bool kept = readLine(object, first, out, e);
            if (e.timeUs < lastUs) fail("the time goes back (" + std::to_string(e.timeUs) + " after " +
                                        std::to_string(lastUs) + " µs)");
            lastUs = e.timeUs;
            first = false;
            if (!kept) continue;
            if (out.events.size() >= kMaxRecordedEvents)
                fail("more than " + std::to_string(kMaxRecordedEvents) + " events");
            out.events.push_back(std::move(e));
        }
        if (first) fail("the recording is empty");
    } catch (const LineError& e) {
        error = "line " + std::to_string(std::max(lineNumber, 1)) + ": " + e.message;
        return std::nullopt;
    }
    placeBusChanges(out.events);
    return out;
}

}  // namespace sim
