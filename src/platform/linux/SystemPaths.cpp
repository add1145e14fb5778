#include "platform/SystemPaths.h"

#include <QDir>
#include <QFileInfo>

namespace dravik {

QString defaultMainDataFolder() { return QDir::home().filePath(QStringLiteral("Tov_Dravik")); }

QString installedDataFolder(const QString& exeDir) {
    return QDir::cleanPath(exeDir + QStringLiteral("/../share/dravik"));
}

QString documentationFolderText() { return QStringLiteral("/usr/share/doc/dravik"); }

QStringList systemArguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!self.isEmpty() && !arguments.isEmpty()) arguments[0] = self;
    return arguments;
}

void prepareOffscreenFonts() {}

bool windowSystemAlwaysPresent() { return false; }

}  // namespace dravik
