// Windows: wide-character Win32 calls on handles, so any Unicode and any long path works and the
// kind of file is checked on the open handle.
#include "platform/FileAccess.h"

#include <windows.h>

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <string>

#include "platform/TempFiles.h"
#include "platform/windows/SystemReason.h"

namespace dravik {

namespace {

const QString& kNotAFile = kNotAFileReason;

QString lastReason() { return systemReason(GetLastError()); }

// Closes the handle once, however the function that owns it ends.
class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    void reset(HANDLE h) {
        close();
        h_ = h;
    }
    // Hands the open handle over to the caller, who closes it.
    HANDLE release() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h;
    }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    bool close() {
        if (!valid()) return true;
        const bool ok = CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

  private:
    HANDLE h_;
};

// The names the system gives to devices in every folder: "C:\data\nul.txt" and "NUL:" are the
// null device. The name counts up to its first dot or colon, without trailing blanks.
bool isReservedDeviceName(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    qsizetype end = 0;
    while (end < name.size() && name.at(end) != QLatin1Char('.') && name.at(end) != QLatin1Char(':')) ++end;
    const QString base = name.left(end).trimmed().toUpper();
    static const QStringList fixed{QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                   QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    if (fixed.contains(base)) return true;
    if (base.size() == 4 && (base.startsWith(QStringLiteral("COM")) || base.startsWith(QStringLiteral("LPT"))))
        return base.at(3).isDigit() || base.at(3) == QChar(0xB9) || base.at(3) == QChar(0xB2) ||
               base.at(3) == QChar(0xB3);
    return false;
}

// Device namespaces: "\\.\COM1", "\\.\pipe\x", "\\?\GLOBALROOT\...". Only drive and share paths are files.
bool isDevicePath(const QString& path) {
    const QString p = QDir::toNativeSeparators(path);
    if (p.startsWith(QStringLiteral("\\\\.\\"))) return true;
    if (p.startsWith(QStringLiteral("\\\\?\\"))) {
        const QString rest = p.mid(4);
        const bool drive = rest.size() >= 3 && rest.at(0).isLetter() && rest.at(1) == QLatin1Char(':') &&
                           rest.at(2) == QLatin1Char('\\');
        return !drive && !rest.startsWith(QStringLiteral("UNC\\"), Qt::CaseInsensitive);
    }
    return false;
}

// The path as the wide-character calls take it: absolute, backslashes, and with the "\\?\" prefix
// so that paths longer than MAX_PATH work.
std::wstring systemPath(const QString& path) {
    QString p = QDir::toNativeSeparators(path);
    if (!p.startsWith(QStringLiteral("\\\\?\\"))) {
        p = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
        if (p.startsWith(QStringLiteral("\\\\")))
            p = QStringLiteral("\\\\?\\UNC\\") + p.mid(2);
        else
            p = QStringLiteral("\\\\?\\") + p;
    }
    return p.toStdWString();
}

QString refusal(const QString& path) {
    if (path.isEmpty()) return QStringLiteral("no file is named");
    if (isDevicePath(path) || isReservedDeviceName(path)) return kNotAFile;
    return {};
}

}  // namespace

QString regularFileProblem(const QString& path) {
    if (QString problem = refusal(path); !problem.isEmpty()) return problem;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(systemPath(path).c_str(), GetFileExInfoStandard, &data)) return lastReason();
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) return kNotAFile;
    return {};
}

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty() || !refusal(a).isEmpty() || !refusal(b).isEmpty()) return false;
    // The volume and the file's index on it identify a file whatever the path (links included).
    const auto identify = [](const QString& path, BY_HANDLE_FILE_INFORMATION& info) {
        Handle file(CreateFileW(systemPath(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file.valid() && GetFileInformationByHandle(file.get(), &info) != 0;
    };
    BY_HANDLE_FILE_INFORMATION ia{};
    BY_HANDLE_FILE_INFORMATION ib{};
    return identify(a, ia) && identify(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

FileContent readRegularFile(const QString& path, qint64 maxBytes) {
    FileContent out;
    if (QString problem = regularFileProblem(path); !problem.isEmpty()) {
        out.error = problem;
        return out;
    }
    Handle file(CreateFileW(systemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        out.error = lastReason();
        return out;
    }
    // What was opened may not be what was checked: the kind is checked on the handle itself.
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        out.error = kNotAFile;
        return out;
    }
    const qint64 size = (static_cast<qint64>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > maxBytes) {
        return tooLargeContent(maxBytes);
    }
    QByteArray bytes;
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buf, sizeof buf, &n, nullptr)) {
            out.error = lastReason();
            return out;
        }
        if (n == 0) break;
        // The file may grow after the size was taken: the bound holds for what is read.
        if (bytes.size() + static_cast<qint64>(n) > maxBytes) {
            return tooLargeContent(maxBytes);
        }
        bytes.append(buf, static_cast<qsizetype>(n));
    }
    out.bytes = std::move(bytes);
    out.ok = true;
    return out;
}

namespace {

// Removes what an interrupted save of the same target left in folder. A save in progress keeps its
// temporary file open without delete sharing, so the system refuses to remove a file whose
// writer is still at work.
void removeStaleTempFiles(const QString& folder, const QString& targetName) {
    for (const QString& temp : tempFilesOf(folder, targetName)) DeleteFileW(systemPath(temp).c_str());
}

QString uniqueTail() {
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString tail;
    for (int i = 0; i < kTempFileUniqueLength; ++i)
        tail.append(QLatin1Char(digits[QRandomGenerator::global()->bounded(36)]));
    return tail;
}

}  // namespace

QString writeFileSafely(const QString& path, const QByteArray& bytes) {
    if (path.isEmpty()) return QStringLiteral("no file is named");
    if (isDevicePath(path) || isReservedDeviceName(path)) return kNotAFile;
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    removeStaleTempFiles(folder, info.fileName());
    std::wstring temp;
    Handle file(INVALID_HANDLE_VALUE);
    for (int attempt = 0; attempt < 16 && !file.valid(); ++attempt) {
        temp = systemPath(QDir(folder).filePath(tempFilePrefix(info.fileName()) + uniqueTail()));
        // No delete sharing: while this handle is open, nobody else removes the file.
        file.reset(CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid() && GetLastError() != ERROR_FILE_EXISTS) return lastReason();
    }
    if (!file.valid()) return lastReason();
    auto fail = [&](DWORD error) {
        file.close();
        DeleteFileW(temp.c_str());
        return systemReason(error);
    };
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(left, 1 << 20));
        DWORD written = 0;
        if (!WriteFile(file.get(), p, chunk, &written, nullptr)) return fail(GetLastError());
        if (written == 0) return fail(ERROR_DISK_FULL);
        p += written;
        left -= written;
    }
    if (!FlushFileBuffers(file.get())) return fail(GetLastError());
    if (!file.close()) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        return systemReason(error);
    }
    if (!MoveFileExW(temp.c_str(), systemPath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        DeleteFileW(temp.c_str());
        return systemReason(error);
    }
    return {};
}

QString AppendFile::open(const QString& path) {
    close();
    if (QString problem = refusal(path); !problem.isEmpty()) return problem;
    Handle file(CreateFileW(systemPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return lastReason();
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return kNotAFile;
    end_ = (static_cast<std::int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    handle_ = reinterpret_cast<std::intptr_t>(file.release());  // kept open by this object now
    return {};
}

QString AppendFile::append(const QByteArray& bytes) {
    if (!isOpen()) return QStringLiteral("the file is not open");
    const HANDLE file = reinterpret_cast<HANDLE>(handle_);
    LARGE_INTEGER at{};
    at.QuadPart = end_;
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return lastReason();
    const char* p = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min<qint64>(left, 1 << 20));
        DWORD written = 0;
        const bool ok = WriteFile(file, p, chunk, &written, nullptr) != 0;
        if (!ok || written == 0) {
            const DWORD error = ok ? ERROR_DISK_FULL : GetLastError();
            // A part of the record may be on the disk: cut it off, and the file ends on a whole one.
            if (SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) SetEndOfFile(file);
            return systemReason(error);
        }
        p += written;
        left -= written;
    }
    end_ += bytes.size();
    return {};
}

void AppendFile::close() {
    if (!isOpen()) return;
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kClosed;
}

}  // namespace dravik
