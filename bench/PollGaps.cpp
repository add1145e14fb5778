#include "PollGaps.h"

#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <poll.h>
#include <signal.h>
#include <time.h>

#include <atomic>

namespace dravik::benchsupport::pollgaps {

namespace {

thread_local bool tWatched = false;
// Written by the watched thread only; read by it (and after it, by the benchmark on the same thread).
std::int64_t gLastReturnNs = 0;
std::int64_t gMaxGapNs = 0;
std::int64_t gPolls = 0;
std::int64_t gResetNs = 0;
constexpr std::int64_t kLongGapNs = 8'000'000;
constexpr int kMaxLongGaps = 64;
Gap gLong[kMaxLongGaps];
int gLongCount = 0;

std::int64_t nowNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

void entering() {
    const std::int64_t now = nowNs();
    if (gLastReturnNs != 0) {
        const std::int64_t gap = now - gLastReturnNs;
        if (gap > gMaxGapNs) gMaxGapNs = gap;
        if (gap >= kLongGapNs && gLongCount < kMaxLongGaps)
            gLong[gLongCount++] = {static_cast<double>(gLastReturnNs - gResetNs) / 1e6, static_cast<double>(gap) / 1e6};
    }
    ++gPolls;
}

void returned() { gLastReturnNs = nowNs(); }

template <typename F>
F nextDefinition(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void watchThisThread() { tWatched = true; }

void reset() {
    gLastReturnNs = 0;
    gMaxGapNs = 0;
    gPolls = 0;
    gLongCount = 0;
    gResetNs = nowNs();
}

double maxGapMs() { return static_cast<double>(gMaxGapNs) / 1e6; }

std::int64_t polls() { return gPolls; }

std::vector<Gap> longGaps() { return std::vector<Gap>(gLong, gLong + gLongCount); }

}  // namespace dravik::benchsupport::pollgaps

using namespace dravik::benchsupport::pollgaps;

extern "C" int poll(struct pollfd* fds, nfds_t n, int timeoutMs) {
    using Fn = int (*)(struct pollfd*, nfds_t, int);
    static const Fn real = nextDefinition<Fn>("poll");
    if (!tWatched) return real(fds, n, timeoutMs);
    entering();
    const int r = real(fds, n, timeoutMs);
    returned();
    return r;
}

extern "C" int ppoll(struct pollfd* fds, nfds_t n, const struct timespec* timeout, const sigset_t* mask) {
    using Fn = int (*)(struct pollfd*, nfds_t, const struct timespec*, const sigset_t*);
    static const Fn real = nextDefinition<Fn>("ppoll");
    if (!tWatched) return real(fds, n, timeout, mask);
    entering();
    const int r = real(fds, n, timeout, mask);
    returned();
    return r;
}
