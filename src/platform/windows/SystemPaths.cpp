#include "platform/SystemPaths.h"

#include <windows.h>
#include <shellapi.h>

#include <QDir>
#include <vector>

namespace dravik {

QString defaultMainDataFolder() { return QStringLiteral("C:/Tov_Dravik"); }

// The installer and the portable archive put the shipped files beside the program.
QString installedDataFolder(const QString& exeDir) { return QDir::cleanPath(exeDir); }

QString documentationFolderText() { return QStringLiteral("the doc folder beside dravik.exe"); }

QStringList systemArguments(int argc, char** argv) {
    // argv is in the ANSI code page, which cannot hold every file name: the wide command line can.
    QStringList arguments;
    int n = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n); wide != nullptr) {
        for (int i = 0; i < n; ++i) arguments.append(QString::fromWCharArray(wide[i]));
        LocalFree(wide);
    } else {
        for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    std::vector<wchar_t> self(32768);
    const DWORD length = GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size()));
    if (length > 0 && length < self.size() && !arguments.isEmpty())
        arguments[0] = QDir::fromNativeSeparators(QString::fromWCharArray(self.data(), static_cast<int>(length)));
    return arguments;
}

void prepareOffscreenFonts() {
    if (!qEnvironmentVariable("QT_QPA_PLATFORM").startsWith(QStringLiteral("offscreen"))) return;
    if (!qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) return;
    wchar_t windows[MAX_PATH];
    const UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return;
    const QString fonts = QString::fromWCharArray(windows, static_cast<int>(n)) + QStringLiteral("\\Fonts");
    qputenv("QT_QPA_FONTDIR", fonts.toLocal8Bit());
}

bool windowSystemAlwaysPresent() { return true; }

}  // namespace dravik
