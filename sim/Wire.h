#pragma once
// Frames and reports as the adapter's firmware sees them, and the time they take on the M-Bus.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/Bench.h"

namespace sim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kReportId = 0x3F;
inline constexpr std::size_t kMaxPayload = 62;  // report bytes after the id and the size byte
inline constexpr std::uint8_t kFrameStart = 0x01;
inline constexpr std::uint8_t kFrameMarker = 0x02;
inline constexpr std::uint8_t kAdapterDest = 0xF1;
inline constexpr std::uint8_t kProductDest = 0xF2;
// A frame is 0x01, dest, 0x02, L, code, L-2 data bytes, checksum: L + 4 bytes, so at most 56 data.
inline constexpr std::size_t kFrameOverhead = 6;
inline constexpr std::size_t kMaxData = kMaxPayload - kFrameOverhead;

struct Frame {
    std::uint8_t dest = 0;
    std::uint8_t code = 0;
    Bytes data;
};

// What arrived in one output report: the bytes recorded as the frame, and the frame itself only
// when report id, size, header, length and checksum all hold.
struct Incoming {
    Bytes raw;
    std::optional<Frame> frame;
};

Incoming decodeReport(const Report& report);

// Sum mod 256 of L, code and data.
std::uint8_t frameChecksum(const Frame& frame);
Bytes encodeFrame(const Frame& frame);
std::size_t frameSize(const Frame& frame);
// An input report: 0x3F, the frame's length, the frame, zero padding.
Report packReport(const Bytes& frame);

// Baud rate of an M-Bus baud code (1 = 9600, 2 = 1200, 3 = the adapter's configured speed);
// 0 for codes the adapter does not know.
std::uint32_t baudOfCode(std::uint8_t code, std::uint32_t baudCode3);
// Time the bytes take on the M-Bus at 11 bits a character, rounded up to whole microseconds.
std::int64_t wireTimeUs(std::size_t bytes, std::uint32_t baud);

}  // namespace sim
