#pragma once
// The system's own words for the failures the tests cause, as the file writer and reader pass them
// on: on Windows the system's sentence for the error code (Wine's wording differs from Windows').

#include <QString>

#ifdef _WIN32
#include <windows.h>

#include "platform/windows/SystemReason.h"
#endif

namespace dravik::test {

#ifdef _WIN32
inline const QString kNoSpaceReason = systemReason(ERROR_DISK_FULL);
// The tests' read-only file system is a host mount under Wine, which reports a write on it as
// refused access.
inline const QString kReadOnlyReason = systemReason(ERROR_ACCESS_DENIED);
inline const QString kNoFolderReason = systemReason(ERROR_PATH_NOT_FOUND);
#else
inline const QString kNoSpaceReason = QStringLiteral("No space left on device");
inline const QString kReadOnlyReason = QStringLiteral("Read-only file system");
inline const QString kNoFolderReason = QStringLiteral("No such file or directory");
#endif

}  // namespace dravik::test
