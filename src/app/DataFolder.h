#pragma once
// The main data folder and the files and folders in it. DRAVIK_DATA_DIR, when set, replaces the
// platform's folder (tests, portable installs).

#include <QString>

namespace dravik {

QString mainDataFolder();       // C:\Tov_Dravik on Windows, ~/Tov_Dravik elsewhere
QString protocolsFolder();      // <main>/protocols
QString settingsFilePath();     // <main>/CfgDravik.txt
QString developerMarkerPath();  // <main>/Developer.txt
bool developerMarkerExists();

// The path as the user's platform writes it (back slashes on Windows).
QString displayPath(const QString& path);

// Result of making sure the main folder and its protocols folder exist. `text` and `caption` are
// the message to show (warning icon), empty when both folders were already there.
struct DataFolderCheck {
    enum class Outcome { Present, MainCreated, ProtocolsCreated, Failed };
    Outcome outcome = Outcome::Present;
    QString text;
    QString caption;
    bool needsMessage() const { return outcome != Outcome::Present; }
};

// A missing main folder is created together with its protocols folder and reported alone; a missing
// protocols folder is created and reported. A folder that cannot be created is reported as Failed
// with the path in the text.
DataFolderCheck ensureDataFolders(const QString& mainFolder = mainDataFolder());

}  // namespace dravik
