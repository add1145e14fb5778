#include "platform/HidOpenProblem.h"

#include "platform/HidApi.h"

namespace dravik {

// Windows lets every user open a HID device; an open that fails is a device in use or gone.
int hidOpenProblem(const char*) { return kOpenFailed; }

}  // namespace dravik
