#pragma once
// The build machine's own programs, for the tests that need one: pdftotext and pdfinfo read the
// reports, mount gives a small file system. A Windows test under Wine starts them through the
// host's shell (drive Z: is the host's root), hands them files by their host paths, and learns of
// their end from the files they leave, since Wine does not pass a host program's end to its waiter.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#ifdef _WIN32
#include <windows.h>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <string>
#endif

namespace dravik::test {

struct HostRun {
    bool ok = false;  // ran and ended with status 0
    QByteArray out;
    QString error;  // when !ok: what went wrong, with the program's own complaint
};

#ifdef _WIN32
inline bool underWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Starts a command line of the host's shell; it runs on alone (see waitFor).
inline void startOnHost(const QString& command) {
    std::wstring line = (QStringLiteral("Z:\\bin\\sh -c \"") + command + QStringLiteral("\"")).toStdWString();
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// Waits for a host command's effect, up to timeoutMs.
template <typename F>
bool waitFor(F done, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (done()) return true;
        QThread::msleep(20);
    }
    return done();
}

// A word of a host shell command, taken literally.
inline QString shellWord(const QString& word) {
    return QLatin1Char('\'') + QString(word).replace(QStringLiteral("'"), QStringLiteral("'\\''")) +
           QLatin1Char('\'');
}
#endif

// The host's path of a file the test made (its own on Linux).
inline QString hostPath(const QString& path) {
#ifdef _WIN32
    using ToHost = char*(__cdecl*)(const wchar_t*);
    const auto toHost = reinterpret_cast<ToHost>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (toHost == nullptr) return path;
    const std::wstring wide = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()).toStdWString();
    char* host = toHost(wide.c_str());
    if (host == nullptr) return path;
    const QString result = QString::fromUtf8(host);
    HeapFree(GetProcessHeap(), 0, host);
    return result;
#else
    return path;
#endif
}

// Runs a host program found on the host's PATH; arguments naming files go through hostPath().
inline HostRun runHostTool(const QString& tool, const QStringList& args, int timeoutMs = 30000) {
    HostRun run;
#ifdef _WIN32
    if (underWine()) {
        QTemporaryDir dir;
        const QString out = hostPath(dir.filePath(QStringLiteral("out")));
        const QString err = hostPath(dir.filePath(QStringLiteral("err")));
        const QString status = hostPath(dir.filePath(QStringLiteral("status")));
        QString command = shellWord(tool);
        for (const QString& a : args) command += QLatin1Char(' ') + shellWord(a);
        // The status file appears whole, once everything else is written.
        command += QStringLiteral(" >%1 2>%2; echo $? >%3.part; mv %3.part %3")
                       .arg(shellWord(out), shellWord(err), shellWord(status));
        startOnHost(command);
        const QString statusFile = dir.filePath(QStringLiteral("status"));
        if (!waitFor([&] { return QFileInfo::exists(statusFile); }, timeoutMs)) {
            run.error = tool + QStringLiteral(" did not end");
            return run;
        }
        const auto read = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        run.out = read(dir.filePath(QStringLiteral("out")));
        run.ok = read(statusFile).trimmed() == "0";
        if (!run.ok)
            run.error = tool + QStringLiteral(" failed: ") +
                        QString::fromLocal8Bit(read(dir.filePath(QStringLiteral("err"))));
        return run;
    }
#endif
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        run.error = tool + QStringLiteral(" failed: ") + p.errorString() + QLatin1Char(' ') +
                    QString::fromLocal8Bit(p.readAllStandardError());
        return run;
    }
    run.out = p.readAllStandardOutput();
    run.ok = true;
    return run;
}

}  // namespace dravik::test
