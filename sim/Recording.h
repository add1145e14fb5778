#pragma once
// A recorded session (JSON lines, described in docs/recording.md) as the replay needs it: the
// reports the program sent and received, the opens with their results, and the adapter's arrivals,
// removals and notifications, each with its time. Read from the device's side: this parser shares
// nothing with the program's writer.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

struct RecordedEvent {
    enum class Kind { Tx, Rx, Open, Notify, Arrival, Removal };
    Kind kind = Kind::Notify;
    std::int64_t timeUs = 0;  // from the start of the recording
    int line = 0;             // line of the recording it came from
    // Tx, Rx: the report's bytes; a masked byte (written "**") matches any byte sent and is
    // answered as 0.
    std::vector<std::uint8_t> bytes;
    std::vector<bool> masked;
    // Open: the device text and what the open returned.
    std::string device;
    int result = 0;
    // Arrival: the adapter now on the bus and how many of it.
    std::uint16_t vid = 0;
    std::uint16_t pid = 0;
    int count = 0;
};

struct Recording {
    std::string program;   // program and version that wrote it
    std::string backend;   // "usb" or "simulated"
    std::string database;  // identity of the product database in use
    // Events in the order the replay plays them. Parsing moves an arrival or removal to the
    // notification that announced it, so that the adapter is (or is gone) when the program counts.
    std::vector<RecordedEvent> events;
};

// Limits of what is read from a recording.
inline constexpr std::size_t kMaxRecordingBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t kMaxRecordingLineBytes = 4096;
inline constexpr std::size_t kMaxRecordedEvents = 2000000;
inline constexpr std::int64_t kMaxRecordedTimeUs = std::int64_t{7} * 24 * 3600 * 1000000;  // a week
inline constexpr std::size_t kMaxRecordedReport = 62;
inline constexpr std::size_t kMaxRecordedDeviceText = 100;

// nullopt with error "line N: ..." when the text is not a recording this replay can play.
std::optional<Recording> parseRecording(const std::string& text, std::string& error);

}  // namespace sim
