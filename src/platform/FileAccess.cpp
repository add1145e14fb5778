#include "platform/FileAccess.h"

namespace dravik {

const QString kNotAFileReason = QStringLiteral("it is not a file");

QString tooLargeReason(qint64 maxBytes) { return QStringLiteral("it is larger than %1 bytes").arg(maxBytes); }

FileContent tooLargeContent(qint64 maxBytes) {
    FileContent out;
    out.error = tooLargeReason(maxBytes);
    out.tooLarge = true;
    return out;
}

}  // namespace dravik
