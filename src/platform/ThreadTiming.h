#pragma once
// How precisely a thread's timed waits end on this system.

namespace dravik {

// Asks that the calling thread's timed waits end when they are due, not up to the system's
// default slack later (50 us on Linux). Where the system has no such setting it does nothing.
void preciseTimedWaits();

}  // namespace dravik
