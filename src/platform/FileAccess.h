#pragma once
// The one way the program reads and writes its files. Reading opens only regular files and never
// waits on a named pipe or a device; writing never leaves a half-written file in place of the
// previous one: a failed write, flush, sync or rename keeps the old file byte for byte.

#include <QByteArray>
#include <QString>

namespace dravik {

struct FileContent {
    bool ok = false;
    QByteArray bytes;
    bool tooLarge = false;  // refused for its size alone
    // When !ok: why, for example "it is not a file" or the system's reason ("No such file or directory").
    QString error;
};

// The reason given for anything that is not a regular file (a folder, a named pipe, a device).
extern const QString kNotAFileReason;
// The reason given for a file refused for its size alone.
QString tooLargeReason(qint64 maxBytes);

// The readers' result for a file refused for its size alone.
FileContent tooLargeContent(qint64 maxBytes);

// Empty when path names a regular file (links followed); otherwise the reason it is refused.
// Checked before a dialog's choice is kept; the read itself checks again on the open file.
QString regularFileProblem(const QString& path);

// Reads the whole regular file at path, refusing it when it holds more than maxBytes. The open does
// not block on a pipe, and the kind of file is checked on the open file, so nothing swapped in
// between the check and the open is read.
FileContent readRegularFile(const QString& path, qint64 maxBytes);

// Writes bytes as the new content of path: a temporary file in the same folder, every write checked,
// flushed and synced to the disk, then renamed over path. Returns empty on success, otherwise the
// system's reason; the temporary file is removed and any previous file at path is left as it was.
QString writeFileSafely(const QString& path, const QByteArray& bytes);

}  // namespace dravik
