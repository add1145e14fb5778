// Linux: POSIX calls on descriptors, so the kind of file is checked on the open file.
#include "platform/FileAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/TempFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {

namespace {

const QString& kNotAFile = kNotAFileReason;

QString systemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// Closes the descriptor once, however the function that owns it ends.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd) {
        close();
        fd_ = fd;
    }
    int close() {
        if (fd_ < 0) return 0;
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

  private:
    int fd_;
};

}  // namespace

QString regularFileProblem(const QString& path) {
    if (path.isEmpty()) return QStringLiteral("no file is named");
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return systemReason(errno);
    return S_ISREG(st.st_mode) ? QString() : kNotAFile;
}

FileContent readRegularFile(const QString& path, qint64 maxBytes) {
    FileContent out;
    if (const QString problem = regularFileProblem(path); !problem.isEmpty()) {
        out.error = problem;
        return out;
    }
    Fd fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        out.error = systemReason(errno);
        return out;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        out.error = systemReason(errno);
        return out;
    }
    if (!S_ISREG(st.st_mode)) {
        out.error = kNotAFile;
        return out;
    }
    if (st.st_size > maxBytes) {
        return tooLargeContent(maxBytes);
    }
    QByteArray bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            out.error = systemReason(errno);
            return out;
        }
        if (n == 0) break;
        // The file may grow after fstat: the bound holds for what is read.
        if (bytes.size() + n > maxBytes) {
            return tooLargeContent(maxBytes);
        }
        bytes.append(buf, n);
    }
    out.bytes = std::move(bytes);
    out.ok = true;
    return out;
}

bool sameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    if (a.isEmpty() || b.isEmpty() || ::stat(QFile::encodeName(a).constData(), &sa) != 0 ||
        ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

// Removes what an interrupted save of the same target left in folder. A save in progress holds a
// lock on its temporary file for as long as the file exists under that name, so only files whose
// writer has gone are removed.
void removeStaleTempFiles(const QString& folder, const QString& targetName) {
    for (const QString& temp : tempFilesOf(folder, targetName)) {
        const QByteArray path = QFile::encodeName(temp);
        Fd fd(::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.get() < 0) continue;
        struct stat st {};
        if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;  // its writer is still at work
        ::unlink(path.constData());
    }
}

}  // namespace

QString writeFileSafely(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) return QStringLiteral("no file is named");
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(path);
    const QString folderPath = info.absolutePath();
    const QByteArray folder = QFile::encodeName(folderPath);
    removeStaleTempFiles(folderPath, info.fileName());
    const QByteArray templateName = QFile::encodeName(QDir(folderPath).filePath(
        tempFilePrefix(info.fileName()) + QString(kTempFileUniqueLength, QLatin1Char('X'))));
    QByteArray pattern;
    Fd fd(-1);
    // The lock is held until the file is renamed or removed: it tells a concurrent save of the
    // same target that this one is alive. That save may have taken the new file for a leftover in
    // the moment before the lock: then the file is gone, and another one is made.
    for (int attempt = 0; attempt < 8; ++attempt) {
        pattern = templateName;
        Fd made(::mkostemp(pattern.data(), O_CLOEXEC));
        if (made.get() < 0) return systemReason(errno);
        struct stat st {};
        if (::flock(made.get(), LOCK_EX) == 0 && ::fstat(made.get(), &st) == 0 && st.st_nlink > 0) {
            fd.reset(made.release());
            break;
        }
    }
    if (fd.get() < 0) return systemReason(EAGAIN);
    const QByteArray temp = pattern;  // the name mkostemp chose
    auto fail = [&](int error) {
        fd.close();
        ::unlink(temp.constData());
        return systemReason(error);
    };
    // The new file keeps the mode of the one it replaces; a new one gets the usual mode.
    struct stat old {};
    mode_t mode = 0;
    if (::stat(target.constData(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd.get(), mode) != 0) return fail(errno);
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd.get(), p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return fail(errno);
        if (n == 0) return fail(ENOSPC);
        p += n;
        left -= n;
    }
    if (::fsync(fd.get()) != 0) return fail(errno);
    if (fd.close() != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return systemReason(error);
    }
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int error = errno;
        ::unlink(temp.constData());
        return systemReason(error);
    }
    // The rename itself is made durable with the folder; a failure here no longer loses data.
    Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return {};
}

QString AppendFile::open(const QString& path) {
    close();
    if (const QString problem = regularFileProblem(path); !problem.isEmpty()) return problem;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return systemReason(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        return systemReason(error);
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        return kNotAFile;
    }
    handle_ = fd;
    end_ = st.st_size;
    return {};
}

QString AppendFile::append(const QByteArray& bytes) {
    if (!isOpen()) return QStringLiteral("the file is not open");
    const int fd = static_cast<int>(handle_);
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // A part of the record may be on the disk: cut it off, and the file ends on a whole one.
            while (::ftruncate(fd, end_) != 0 && errno == EINTR) {
            }
            return systemReason(error);
        }
        p += n;
        left -= n;
    }
    end_ += bytes.size();
    return {};
}

void AppendFile::close() {
    if (!isOpen()) return;
    ::close(static_cast<int>(handle_));
    handle_ = kClosed;
}

}  // namespace dravik
