#pragma once
// The program's options. Without any, the program runs as the plain window on real hardware.

#include <QString>
#include <QStringList>

class QTextStream;

namespace dravik {

struct CommandLineOptions {
    bool simulate = false;  // use the simulated bench instead of the USB adapter
    QString benchPath;      // bench file when simulating
    QString scriptPath;     // script to run, empty for none
    bool demo = false;      // --demo: simulate and run the demo script (unless --script names one)
    QString recordPath;     // --record FILE: record the session from the start, empty for none
    QString replayPath;     // --replay FILE: play the adapter from this recording instead of USB
    bool exitNow = false;   // help, version or a bad command line: print and leave
    int exitCode = 0;       // exit status when exitNow
};

// "Dravik MAJOR.MINOR.PATCH".
QString versionText();

// Parses arguments (the first is the program). Help and version texts go to out, errors to err.
// Works without a QCoreApplication; the executable's folder then comes from the first argument.
CommandLineOptions parseCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err);
// The same on standard output and standard error.
CommandLineOptions parseCommandLine(const QStringList& arguments);

// The program's own arguments, read before any window system starts: the first is the running
// executable's real path (so its shipped files are found when started through PATH or a link).
QStringList programArguments(int argc, char** argv);

// Picks the window system before it starts. A scripted run (--script, --demo) without a display
// runs offscreen; the window alone needs a display: false, with the reason written to err.
bool prepareWindowSystem(const CommandLineOptions& options, QTextStream& err);

}  // namespace dravik
