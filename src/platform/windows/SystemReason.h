#pragma once
// The system's own sentence for a Windows error code, as the program passes it on to the user.

#include <QString>

namespace dravik {

// FormatMessage's text for error, without the closing full stop (the callers put the reason inside
// their own sentence); "system error N" when the system has none.
QString systemReason(unsigned long error);

}  // namespace dravik
