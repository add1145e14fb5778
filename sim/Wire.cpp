#include "sim/Wire.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::size_t kIdOffset = 0;
constexpr std::size_t kSizeOffset = 1;
constexpr std::size_t kPayloadOffset = 2;
constexpr std::int64_t kBitsPerCharacter = 11;  // start, 8 data, even parity, stop
constexpr std::int64_t kMicrosPerSecond = 1000000;

}  // namespace

Incoming decodeReport(const Report& report) {
    Incoming in;
    const std::size_t size = std::min<std::size_t>(report[kSizeOffset], kMaxPayload);
    const auto payload = report.begin() + static_cast<std::ptrdiff_t>(kPayloadOffset);
    in.raw.assign(payload, payload + static_cast<std::ptrdiff_t>(size));

    const bool sizeOk = report[kSizeOffset] <= kMaxPayload && size >= kFrameOverhead;
    if (report[kIdOffset] != kReportId || !sizeOk || in.raw[0] != kFrameStart || in.raw[2] != kFrameMarker) {
        return in;
    }
    const std::size_t length = in.raw[3];
    if (length < 2 || length + 4 > size) {
        return in;
    }
    in.raw.resize(length + 4);  // the rest of the report is padding

    Frame frame;
    frame.dest = in.raw[1];
    frame.code = in.raw[4];
    frame.data.assign(in.raw.begin() + 5, in.raw.end() - 1);
    if (frameChecksum(frame) != in.raw.back()) {
        return in;
    }
    in.frame = std::move(frame);
    return in;
}

std::uint8_t frameChecksum(const Frame& frame) {
    unsigned sum = static_cast<unsigned>(frame.data.size() + 2) + frame.code;
    for (const std::uint8_t byte : frame.data) {
        sum += byte;
    }
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

std::size_t frameSize(const Frame& frame) { return frame.data.size() + kFrameOverhead; }

Bytes encodeFrame(const Frame& frame) {
    Bytes bytes;
    bytes.reserve(frameSize(frame));
    for (const std::uint8_t byte : {kFrameStart, frame.dest, kFrameMarker,
                                    static_cast<std::uint8_t>(frame.data.size() + 2), frame.code}) {
        bytes.push_back(byte);
    }
    for (const std::uint8_t byte : frame.data) {
        bytes.push_back(byte);
    }
    bytes.push_back(frameChecksum(frame));
    return bytes;
}

Report packReport(const Bytes& frame) {
    Report report{};
    const std::size_t size = std::min(frame.size(), kMaxPayload);
    report[kIdOffset] = kReportId;
    report[kSizeOffset] = static_cast<std::uint8_t>(size);
    std::copy_n(frame.begin(), size, report.begin() + static_cast<std::ptrdiff_t>(kPayloadOffset));
    return report;
}

std::uint32_t baudOfCode(std::uint8_t code, std::uint32_t baudCode3) {
    switch (code) {
        case 1:
            return 9600;
        case 2:
            return 1200;
        case 3:
            return baudCode3;
        default:
            return 0;
    }
}

std::int64_t wireTimeUs(std::size_t bytes, std::uint32_t baud) {
    if (baud == 0) {
        return 0;
    }
    const std::int64_t bits = static_cast<std::int64_t>(bytes) * kBitsPerCharacter * kMicrosPerSecond;
    return (bits + baud - 1) / baud;
}

}  // namespace sim
