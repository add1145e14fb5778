#pragma once
// Where this system keeps the user's data and the installed files, and how it hands the program
// its command line.

#include <QString>
#include <QStringList>

namespace dravik {

// The main data folder unless DRAVIK_DATA_DIR names another: ~/Tov_Dravik, C:/Tov_Dravik on Windows.
QString defaultMainDataFolder();

// Where an installed program's shipped files are, from the program's own folder:
// <exeDir>/../share/dravik on Linux, the program's own folder on Windows.
QString installedDataFolder(const QString& exeDir);

// Where the package puts the user documentation (recording.md, scripting.md, ...), as the help
// and the manual page name it: /usr/share/doc/dravik on Linux, the doc folder beside the program
// on Windows.
QString documentationFolderText();

// The program's arguments as the system holds them (any Unicode on Windows), the first being the
// running program's own full path where the system tells it.
QStringList systemArguments(int argc, char** argv);

// Readies the fonts of a run without a screen, before the application starts: on Windows the
// offscreen platform reads fonts only from QT_QPA_FONTDIR, which is pointed at the system's fonts
// folder unless set (elsewhere the system's font configuration serves every platform).
void prepareOffscreenFonts();

// True where a window can always be shown (Windows); elsewhere a display must be named.
bool windowSystemAlwaysPresent();

}  // namespace dravik
