#pragma once
// What the program runs on: the USB adapter, the simulated bench (--simulate) or a recorded
// session (--replay), with its name for a recording's first line.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "app/CommandLine.h"
#include "link/InterfaceLibrary.h"
#include "sim/Bench.h"

namespace dravik {

class Clock;
class DownloadView;
class ReplayInterfaceLibrary;
class SimulatedInterfaceLibrary;

struct Backend {
    std::unique_ptr<InterfaceLibrary> library;
    SimulatedInterfaceLibrary* bench = nullptr;  // with --simulate
    ReplayInterfaceLibrary* replay = nullptr;    // with --replay (which takes the bench's place)
    QString name;                                // "usb", "simulated" or "replay:" + the recording's
};

// The bench described by the file at path, read only when it is a regular file; nullopt with error
// set otherwise.
std::optional<sim::BenchConfig> loadBench(const QString& path, QString& error);

// nullopt with error set (a line for standard error) when the bench file or the recording cannot
// be used, or when --record names the recording --replay plays (recording would overwrite it).
std::optional<Backend> openBackend(const CommandLineOptions& options, Clock& clock, QString* error);

// What a replay says before it starts: the recording was made by another version of the program,
// or with another product database than databaseId (the one in use). A recording that names no
// program or no database ("none") is not told apart.
QStringList replayNotes(const QString& recordedProgram, const QString& recordedDatabase,
                        const QString& databaseId);

// A replay's notes on standard error (replayNotes), and the stop at the first request that
// differs, which ends the program with 3.
void watchReplay(ReplayInterfaceLibrary& replay, DownloadView& window, const QString& databaseId);

// The program's status after a replay: the exchanges sent as recorded on standard error, and 3 for
// a run that ended (status 0) before making every recorded exchange.
int replayExitCode(const ReplayInterfaceLibrary& replay, int code);

}  // namespace dravik
