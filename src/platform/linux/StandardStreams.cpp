#include "platform/StandardStreams.h"

namespace dravik {

void connectStandardStreams() {}

}  // namespace dravik
