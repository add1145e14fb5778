#include "platform/HidOpenProblem.h"

#include <cerrno>
#include <unistd.h>

#include "platform/HidApi.h"

namespace dravik {

// A device node the user may not read and write is the usual case without the access rule; the
// node itself tells.
int hidOpenProblem(const char* path) {
    if (path != nullptr && ::access(path, R_OK | W_OK) != 0) {
        if (errno == EACCES || errno == EPERM) return kOpenNoPermission;
        if (errno == ENOENT) return kOpenNoDevice;
    }
    return kOpenFailed;
}

}  // namespace dravik
