#pragma once
// The one way the program reads and writes its files. Reading opens only regular files and never
// waits on a named pipe or a device; writing never leaves a half-written file in place of the
// previous one: a failed write, flush, sync or rename keeps the old file byte for byte. A file that
// grows as things happen (a session recording) grows by whole records only.

#include <QByteArray>
#include <QString>
#include <cstdint>

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

// True when both paths name one existing file, however reached: through symbolic links, hard
// links or another spelling of the path. False when either does not exist.
bool sameFile(const QString& a, const QString& b);

// Writes bytes as the new content of path: a temporary file in the same folder, every write checked,
// flushed and synced to the disk, then renamed over path. Returns empty on success, otherwise the
// system's reason; the temporary file is removed and any previous file at path is left as it was.
QString writeFileSafely(const QString& path, const QByteArray& bytes);

// A file that grows by whole records, such as the lines of a session recording. Each append is
// written in full or not at all: what a failed write left (a disk filling part way through a
// record) is cut off again, so the file always ends where the last whole record ended.
class AppendFile {
  public:
    AppendFile() = default;
    ~AppendFile() { close(); }
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;

    // Opens the regular file at path (which must exist) to append to it. Returns empty on success,
    // otherwise the reason.
    QString open(const QString& path);
    // Writes bytes at the end of the file. Returns empty on success, otherwise the system's reason
    // ("No space left on device"); the file then holds what it held before.
    QString append(const QByteArray& bytes);
    void close();
    bool isOpen() const { return handle_ != kClosed; }

  private:
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_ = kClosed;  // the system's descriptor or handle
    std::int64_t end_ = 0;            // where the last whole record ends
};

}  // namespace dravik
