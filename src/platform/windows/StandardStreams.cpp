#include "platform/StandardStreams.h"

#include <windows.h>

#include <cstdio>

namespace dravik {

namespace {

bool hasStream(DWORD which) {
    const HANDLE h = GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

}  // namespace

// Streams redirected to a file or a pipe are kept as they are; only missing ones are taken from
// the console of the program that started this one, if it has one.
void connectStandardStreams() {
    if (hasStream(STD_OUTPUT_HANDLE) && hasStream(STD_ERROR_HANDLE)) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!hasStream(STD_OUTPUT_HANDLE) || std::ferror(stdout) || _fileno(stdout) < 0)
        std::freopen("CONOUT$", "w", stdout);
    if (!hasStream(STD_ERROR_HANDLE) || std::ferror(stderr) || _fileno(stderr) < 0)
        std::freopen("CONOUT$", "w", stderr);
}

}  // namespace dravik
