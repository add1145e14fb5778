#include "platform/ThreadTiming.h"

namespace dravik {

// Windows has no per-thread slack: its waits end on the system's timer tick.
void preciseTimedWaits() {}

}  // namespace dravik
