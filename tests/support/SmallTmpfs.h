#pragma once
// A real, tiny file system for the write-failure tests: a tmpfs of a few kilobytes mounted on a
// temporary folder, so "no space left" and "read-only file system" come from the kernel itself.
// Mounting needs root (or a user namespace); where it is not permitted the test is skipped.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#ifndef _WIN32
#include <sys/mount.h>
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
        (void)sizeKb;
#endif
    }
    ~SmallTmpfs() {
#ifndef _WIN32
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
#endif
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool mounted() const { return mounted_; }
    QString path() const { return dir_.path(); }
    QString filePath(const QString& name) const { return QDir(dir_.path()).filePath(name); }

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
        return false;
#endif
    }

  private:
    QTemporaryDir dir_;
    bool mounted_ = false;
};

}  // namespace dravik::test
