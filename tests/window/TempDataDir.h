#pragma once
// Points DRAVIK_DATA_DIR at a fresh folder inside a temporary directory for one test, and puts the
// previous value back afterwards. The data folder itself does not exist until a test creates it.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class TempDataDir {
  public:
    TempDataDir()
        : previous_(qgetenv("DRAVIK_DATA_DIR")), hadPrevious_(qEnvironmentVariableIsSet("DRAVIK_DATA_DIR")) {
        qputenv("DRAVIK_DATA_DIR", path().toUtf8());
    }
    ~TempDataDir() {
        if (hadPrevious_) {
            qputenv("DRAVIK_DATA_DIR", previous_);
        } else {
            qunsetenv("DRAVIK_DATA_DIR");
        }
    }
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    QString path() const { return root_.filePath(QStringLiteral("Tov_Dravik")); }
    QString file(const QString& name) const { return QDir(path()).filePath(name); }
    bool create() const { return QDir().mkpath(path()); }

    bool write(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

  private:
    QTemporaryDir root_;
    QByteArray previous_;
    bool hadPrevious_;
};
