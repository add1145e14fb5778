#pragma once
// Where the program finds the files it ships with: the product database, the benches and the demo
// scripts. The same build runs from the source tree, from its build folder, and installed (program
// in <prefix>/bin, shipped files in <prefix>/share/dravik; on Windows beside the program), wherever the installed tree was unpacked.

#include <QString>
#include <QStringList>

#include "platform/SystemPaths.h"

namespace dravik {

// installedDataFolder(exeDir) (platform/SystemPaths.h) is where an installed program's files are.

// The folders to look in for a shipped file, best first: the installed data folder, the source
// tree's data folder (a build run from its checkout), the program's own folder.
QStringList shippedDataFolders(const QString& exeDir);

// A shipped file by its path below the data folder (e.g. "benches/standard.json"): the first
// candidate that exists, or the first candidate when none does (so the error names a real place).
QString locateShippedFile(const QString& relative, const QString& exeDir);

// The product database is looked for in the folder the program was started in, then beside the
// program (a build folder holds the one it made), then in the installed data folder.
struct DatabaseLookup {
    QString folder;      // where it was found; empty when it was not
    QStringList looked;  // every folder tried, in order
    bool found() const { return !folder.isEmpty(); }
};
DatabaseLookup findProductDatabase(const QString& startFolder, const QString& exeDir);

// What the program says at start when the lookup found nothing: the file and every place tried.
QString missingDatabaseText(const DatabaseLookup& lookup);

}  // namespace dravik
