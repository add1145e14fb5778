#pragma once
// A real, tiny file system for the write-failure tests: a tmpfs of a few kilobytes mounted on a
// temporary folder, so "no space left" and "read-only file system" come from the kernel itself.
// Mounting needs root (or a user namespace); where it is not permitted the test is skipped.
// The Windows build's tests run under Wine, whose drive Z: is the host's root: there the tmpfs is
// mounted by the host's own mount, and the Windows program sees it as a folder of drive Z:. On a
// real Windows machine the tests that need it are skipped.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#ifndef _WIN32
#include <sys/mount.h>
#else
#include <windows.h>

#include <atomic>

#include "support/HostTools.h"
#endif

namespace dravik::test {

class SmallTmpfs {
  public:
    // sizeKb: the file system's size; the tmpfs rounds it up to whole pages.
    explicit SmallTmpfs(int sizeKb) {
#ifndef _WIN32
        if (!dir_.isValid()) return;
        const std::string options = "size=" + std::to_string(sizeKb) + "k";
        mounted_ = ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", 0, options.c_str()) == 0;
#else
        if (!underWine()) return;
        static std::atomic<int> counter{0};
        hostPath_ = QStringLiteral("/tmp/dravik-tmpfs-%1-%2").arg(GetCurrentProcessId()).arg(counter++);
        startOnHost(QStringLiteral("mkdir -p %1 && mount -t tmpfs -o size=%2k tmpfs %1").arg(hostPath_).arg(sizeKb));
        mounted_ = waitFor([&] { return totalBytes() > 0 && totalBytes() <= 4 * 1024 * 1024; });
#endif
    }
    ~SmallTmpfs() {
#ifndef _WIN32
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
#else
        if (!hostPath_.isEmpty()) startOnHost(QStringLiteral("umount -l %1; rmdir %1").arg(hostPath_));
#endif
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const {
#ifdef _WIN32
        return QStringLiteral("Z:") + hostPath_;
#else
        return dir_.path();
#endif
    }
    QString filePath(const QString& name) const { return QDir(path()).filePath(name); }

    // Takes every page left, in a file named "filler": a file made afterwards gets no space.
    void fill() const {
        QFile filler(filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) > 0) {
        }
    }

    // Everything written so far stays; nothing more can be written.
    bool makeReadOnly() {
#ifndef _WIN32
        return mounted_ && ::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs",
                                   MS_REMOUNT | MS_RDONLY, nullptr) == 0;
#else
        if (!mounted_) return false;
        startOnHost(QStringLiteral("mount -o remount,ro %1").arg(hostPath_));
        // Wine does not pass the host program's end on: its effect is what is waited for. Wine answers
        // for the host's file system: a probe that cannot be created shows the remount.
        const QString probe = filePath(QStringLiteral(".probe"));
        return waitFor([&] {
            QFile f(probe);
            if (!f.open(QIODevice::WriteOnly)) return true;
            f.close();
            f.remove();
            return false;
        });
#endif
    }

  private:
#ifdef _WIN32
    qint64 totalBytes() const {
        ULARGE_INTEGER total{};
        const std::wstring p = QDir::toNativeSeparators(path() + QStringLiteral("/")).toStdWString();
        return GetDiskFreeSpaceExW(p.c_str(), nullptr, &total, nullptr) ? static_cast<qint64>(total.QuadPart) : 0;
    }
    QString hostPath_;
#endif
    QTemporaryDir dir_;
    bool mounted_ = false;
};

}  // namespace dravik::test
