#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>

#include "platform/SystemPaths.h"

namespace dravik {

namespace {

const QString kNoProtocols = QStringLiteral("\r\nNo protocols present!");
const QString kMainCaption = QStringLiteral("Main folder check");
const QString kProtocolsCaption = QStringLiteral("Protocols folder check");

QString childOf(const QString& folder, const QString& name) { return QDir(folder).filePath(name); }

DataFolderCheck failure(const QString& path, const QString& caption) {
    return {DataFolderCheck::Outcome::Failed,
            QStringLiteral("The folder '%1' doesn't exist and cannot be created!").arg(displayPath(path)),
            caption};
}

}  // namespace

QString mainDataFolder() {
    const QString fromEnv = qEnvironmentVariable("DRAVIK_DATA_DIR");
    if (!fromEnv.isEmpty()) return QDir::cleanPath(fromEnv);
    return defaultMainDataFolder();
}

QString protocolsFolder() { return childOf(mainDataFolder(), QStringLiteral("protocols")); }
QString settingsFilePath() { return childOf(mainDataFolder(), QStringLiteral("CfgDravik.txt")); }
QString developerMarkerPath() { return childOf(mainDataFolder(), QStringLiteral("Developer.txt")); }
bool developerMarkerExists() { return QFileInfo::exists(developerMarkerPath()); }

QString displayPath(const QString& path) { return QDir::toNativeSeparators(path); }

DataFolderCheck ensureDataFolders(const QString& mainFolder) {
    const QString protocols = childOf(mainFolder, QStringLiteral("protocols"));
    QDir dir;
    if (!QFileInfo(mainFolder).isDir()) {
        if (!dir.mkpath(mainFolder)) return failure(mainFolder, kMainCaption);
        if (!dir.mkpath(protocols)) return failure(protocols, kMainCaption);
        return {DataFolderCheck::Outcome::MainCreated,
                QStringLiteral("The main folder '%1' doesn't exist. A new one has been just created!")
                        .arg(displayPath(mainFolder)) +
                    kNoProtocols,
                kMainCaption};
    }
    if (!QFileInfo(protocols).isDir()) {
        if (!dir.mkpath(protocols)) return failure(protocols, kProtocolsCaption);
        return {DataFolderCheck::Outcome::ProtocolsCreated,
                QStringLiteral("The path '%1' doesn't exist. A new protocols folder has been just created!")
                        .arg(displayPath(protocols)) +
                    kNoProtocols,
                kProtocolsCaption};
    }
    return {};
}

}  // namespace dravik
