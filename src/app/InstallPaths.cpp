#include "app/InstallPaths.h"

#include <QDir>
#include <QFileInfo>

#include "database/ProductDatabase.h"
#include "platform/SystemPaths.h"

namespace dravik {

namespace {

QString databaseIn(const QString& folder) {
    return QDir(folder).filePath(QString::fromLatin1(kProductDatabaseFileName));
}

}  // namespace

QStringList shippedDataFolders(const QString& exeDir) {
    QStringList folders{installedDataFolder(exeDir)};
#ifdef DRAVIK_SOURCE_DIR
    folders.append(QStringLiteral(DRAVIK_SOURCE_DIR "/data"));
#endif
    folders.append(QDir::cleanPath(exeDir));
    return folders;
}

QString locateShippedFile(const QString& relative, const QString& exeDir) {
    const QStringList folders = shippedDataFolders(exeDir);
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(relative);
        if (QFileInfo::exists(candidate)) return candidate;
    }
    return QDir(folders.constFirst()).filePath(relative);
}

DatabaseLookup findProductDatabase(const QString& startFolder, const QString& exeDir) {
    DatabaseLookup lookup;
    for (const QString& folder :
         {QDir::cleanPath(startFolder), QDir::cleanPath(exeDir), installedDataFolder(exeDir)}) {
        if (lookup.looked.contains(folder)) continue;
        lookup.looked.append(folder);
        if (QFileInfo(databaseIn(folder)).isFile()) {
            lookup.folder = folder;
            break;
        }
    }
    return lookup;
}

QString missingDatabaseText(const DatabaseLookup& lookup) {
    QString text = QStringLiteral("Cannot find the product database %1. Looked in:")
                       .arg(QString::fromLatin1(kProductDatabaseFileName));
    for (const QString& folder : lookup.looked)
        text += QStringLiteral("\n  ") + QDir::toNativeSeparators(folder);
    text +=
        QStringLiteral("\nStart the program in the folder that holds the database, or install the package.");
    return text;
}

}  // namespace dravik
