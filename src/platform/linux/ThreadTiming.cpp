#include "platform/ThreadTiming.h"

#include <sys/prctl.h>

namespace dravik {

void preciseTimedWaits() { prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL); }

}  // namespace dravik
