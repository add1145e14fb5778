#pragma once
// Times a thread from poll to poll: the benchmark's own definitions of poll() and ppoll() stand in
// front of the C library's (the way a preloaded library would), so every wait of the thread's event
// loop passes through them, whatever the event dispatcher. A gap is the time from one return to
// the next call: how long the thread did not look at its input (a busy slot, a sleep, a blocking
// call). Only the thread that called watchThisThread() is timed.

#include <cstdint>
#include <vector>

namespace dravik::benchsupport::pollgaps {

void watchThisThread();
// Starts a new measurement: the next gap counts from the next return from a poll.
void reset();
// The longest gap since reset(), in ms.
double maxGapMs();
// Polls of the watched thread since reset().
std::int64_t polls();

// The gaps of at least 8 ms since reset() (the first 64), as the ms since reset() at which each
// began and its length in ms.
struct Gap {
    double atMs;
    double lengthMs;
};
std::vector<Gap> longGaps();

}  // namespace dravik::benchsupport::pollgaps
