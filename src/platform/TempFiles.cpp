#include "platform/TempFiles.h"

#include <QDir>
#include <cstdint>

namespace dravik {

namespace {

// FNV-1a over the UTF-8 name: the same digits on every system and every run.
std::uint32_t nameHash(const QString& name) {
    std::uint32_t h = 2166136261u;
    for (const char c : name.toUtf8()) {
        h ^= static_cast<std::uint8_t>(c);
        h *= 16777619u;
    }
    return h;
}

}  // namespace

QString tempFilePrefix(const QString& targetFileName) {
    return QStringLiteral(".dravik-%1.").arg(nameHash(targetFileName), 8, 16, QLatin1Char('0'));
}

bool isTempFileOf(const QString& name, const QString& targetFileName) {
    const QString prefix = tempFilePrefix(targetFileName);
    return name.size() == prefix.size() + kTempFileUniqueLength && name.startsWith(prefix);
}

QStringList tempFilesOf(const QString& folder, const QString& targetFileName) {
    const QDir dir(folder);
    QStringList paths;
    const QStringList names = dir.entryList({tempFilePrefix(targetFileName) + QStringLiteral("*")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names)
        if (isTempFileOf(name, targetFileName)) paths.append(dir.filePath(name));
    return paths;
}

}  // namespace dravik
