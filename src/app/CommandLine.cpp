#include "app/CommandLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>

#include "app/InstallPaths.h"
#include "platform/SystemPaths.h"

namespace dravik {

namespace {

const QString kSimulate = QStringLiteral("--simulate");
const QString kDefaultBench = QStringLiteral("benches/standard.json");
const QString kDemoScript = QStringLiteral("scripts/demo.txt");

bool readableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

CommandLineOptions leave(int code) {
    CommandLineOptions options;
    options.exitNow = true;
    options.exitCode = code;
    return options;
}

}  // namespace

QString versionText() {
    return QStringLiteral("Dravik %1.%2.%3")
        .arg(DRAVIK_VERSION_MAJOR)
        .arg(DRAVIK_VERSION_MINOR)
        .arg(DRAVIK_VERSION_PATCH);
}

CommandLineOptions parseCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    // QCommandLineParser knows no option with an optional value, so --simulate and
    // --simulate=FILE are taken out before it sees the rest.
    QStringList rest;
    bool simulate = false;
    QString benchFile;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (i == 0) {
            rest.append(arg);
        } else if (arg == QLatin1String("--")) {
            rest.append(arguments.mid(i));
            break;
        } else if ((arg == QLatin1String("--script") || arg == QLatin1String("--record") ||
                    arg == QLatin1String("--replay")) &&
                   i + 1 < arguments.size()) {
            rest.append(arg);
            rest.append(arguments[++i]);
        } else if (arg == kSimulate) {
            simulate = true;
            benchFile.clear();
        } else if (arg.startsWith(kSimulate + u'=')) {
            benchFile = arg.mid(kSimulate.size() + 1);
            if (benchFile.isEmpty()) {
                err << "dravik: --simulate= needs a bench file\n";
                err.flush();
                return leave(2);
            }
            simulate = true;
        } else {
            rest.append(arg);
        }
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Connects to vehicle products and modules through the USB adapter, reads and sets their "
        "parameters and protocols."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption simulateOption(
        QStringLiteral("simulate"),
        QStringLiteral("Work with the simulated bench instead of the USB adapter. "
                       "--simulate=BENCH.json picks the bench file (default: the standard bench)."));
    const QCommandLineOption scriptOption(
        QStringLiteral("script"),
        QStringLiteral("Run the script FILE: every status-log line and message box goes to standard "
                       "output, and the program exits with the script's status (0 ran through, "
                       "1 failed expectation, 2 script error)."),
        QStringLiteral("FILE"));
    const QCommandLineOption demoOption(
        QStringLiteral("demo"), QStringLiteral("Simulate and run the demo script (or the --script FILE)."));
    const QCommandLineOption recordOption(
        QStringLiteral("record"),
        QStringLiteral("Record every exchange with the adapter into FILE as it happens, from the start "
                       "(a session recording, described in recording.md in %1). The module password is "
                       "masked. FILE may not be the recording --replay plays.")
            .arg(documentationFolderText()),
        QStringLiteral("FILE"));
    const QCommandLineOption replayOption(
        QStringLiteral("replay"),
        QStringLiteral("Play the adapter from the session recording FILE instead of the USB adapter. A run "
                       "made with --record FILE replays with --replay FILE in its place. The first request "
                       "that differs from the recording ends the program with status 3."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, simulateOption, scriptOption, demoOption, recordOption, replayOption});

    if (!parser.parse(rest)) {
        err << "dravik: " << parser.errorText() << "\nTry --help.\n";
        err.flush();
        return leave(2);
    }
    if (!parser.positionalArguments().isEmpty()) {
        const QString stray = parser.positionalArguments().constFirst();
        err << "dravik: unexpected argument '" << stray << "'\n";
        // "--simulate bench.json" reads as the default bench and a stray file name.
        if (simulate && benchFile.isEmpty() && arguments.contains(stray) &&
            arguments.indexOf(stray) > 0 && arguments[arguments.indexOf(stray) - 1] == kSimulate)
            err << "A bench file is given with '=': --simulate=" << stray << '\n';
        err << "Try --help.\n";
        err.flush();
        return leave(2);
    }
    if (parser.isSet(help)) {
        // Without an application object the parser would name the program "<executable_name>".
        QString text = parser.helpText();
        const QString usage = QStringLiteral("Usage: ");
        if (const qsizetype end = text.indexOf(u' ', usage.size()); text.startsWith(usage) && end > 0)
            text.replace(usage.size(), end - usage.size(), QStringLiteral("dravik"));
        out << text;
        out.flush();
        return leave(0);
    }
    if (parser.isSet(version)) {
        out << versionText() << '\n';
        out.flush();
        return leave(0);
    }

    const QString exeDir = QCoreApplication::instance() != nullptr
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(arguments.value(0)).absolutePath();
    CommandLineOptions options;
    options.demo = parser.isSet(demoOption);
    options.simulate = simulate || options.demo;
    options.scriptPath = parser.value(scriptOption);
    options.recordPath = parser.value(recordOption);
    options.replayPath = parser.value(replayOption);
    if (!options.replayPath.isEmpty() && options.simulate) {
        // The same command line as the recorded run, with --replay added, replays it.
        err << "dravik: --replay: the recording plays the adapter; the simulated bench is not used\n";
        err.flush();
    }
    if (!options.replayPath.isEmpty() && !readableFile(options.replayPath)) {
        err << "dravik: cannot read the recording " << options.replayPath << '\n';
        err.flush();
        return leave(2);
    }
    if (parser.isSet(recordOption) && options.recordPath.isEmpty()) {
        err << "dravik: --record needs a file\n";
        err.flush();
        return leave(2);
    }
    if (options.demo && options.scriptPath.isEmpty())
        options.scriptPath = locateShippedFile(kDemoScript, exeDir);
    if (options.simulate) {
        options.benchPath = benchFile.isEmpty() ? locateShippedFile(kDefaultBench, exeDir) : benchFile;
        if (!readableFile(options.benchPath)) {
            err << "dravik: cannot read the bench file " << options.benchPath << '\n';
            err.flush();
            return leave(2);
        }
    }
    if (!options.scriptPath.isEmpty() && !readableFile(options.scriptPath)) {
        err << "dravik: cannot read the script " << options.scriptPath << '\n';
        err.flush();
        return leave(2);
    }
    return options;
}

CommandLineOptions parseCommandLine(const QStringList& arguments) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    return parseCommandLine(arguments, out, err);
}

QStringList programArguments(int argc, char** argv) {
    return systemArguments(argc, argv);
}

bool prepareWindowSystem(const CommandLineOptions& options, QTextStream& err) {
    const auto set = [](const char* name) { return !qEnvironmentVariableIsEmpty(name); };
    if (set("QT_QPA_PLATFORM") || set("DISPLAY") || set("WAYLAND_DISPLAY")) return true;
    if (windowSystemAlwaysPresent()) return true;
    if (!options.scriptPath.isEmpty()) {
        // Screenshots are still taken: the offscreen platform paints the widgets as usual.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return true;
    }
    err << "dravik: the window needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
           "Without a display, run a script (--script FILE) or the demo (--demo); --help lists the options.\n";
    err.flush();
    return false;
}

}  // namespace dravik
