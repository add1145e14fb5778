#pragma once
// Why the system would not open an adapter that hidapi listed.

namespace dravik {

// One of the kOpen... codes of platform/HidApi.h for the device at path.
int hidOpenProblem(const char* path);

}  // namespace dravik
