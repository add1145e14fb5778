// Recordings come from technicians' machines: any text must give a recording or a message that
// names its line, never a crash; a recording that parses is played through to its end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    auto recording = sim::parseRecording(std::string(reinterpret_cast<const char*>(data), size), error);
    if (!recording) {
        if (error.rfind("line ", 0) != 0 && error.rfind("the recording is ", 0) != 0) __builtin_trap();
        return 0;
    }
    // The program as it was recorded: every exchange sent when its time comes, answers collected.
    sim::Replay replay(*recording, 0);
    std::int64_t now = 0;
    for (const sim::RecordedEvent& e : recording->events) {
        now = std::max(now, e.timeUs);
        replay.advance(now);
        replay.count(e.vid, e.pid);
        while (replay.takeNotification()) {
        }
        if (e.kind == sim::RecordedEvent::Kind::Open) {
            replay.open(e.device, now);
        } else if (e.kind == sim::RecordedEvent::Kind::Tx) {
            sim::Report r{};
            r[0] = 0x3F;
            r[1] = static_cast<std::uint8_t>(e.bytes.size());
            for (std::size_t i = 0; i < e.bytes.size() && i + 2 < r.size(); ++i) r[i + 2] = e.bytes[i];
            replay.write(r, now);
        }
        while (replay.read(now)) {
        }
        if (const auto next = replay.nextReadyUs(); next && *next < now) __builtin_trap();
    }
    return 0;
}
