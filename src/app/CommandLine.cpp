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

// Every refusal reads the same: "dravik: " and a sentence without a capital or a full stop; a
// mistake in the command line itself points at --help.
enum class Refusal { Usage, File };
CommandLineOptions refuse(QTextStream& err, QString text, Refusal kind) {
    if (text.endsWith(u'.')) text.chop(1);
    if (!text.isEmpty()) text[0] = text[0].toLower();
    err << "dravik: " << text << '\n';
    if (kind == Refusal::Usage) err << "Try --help.\n";
    err.flush();
    return leave(2);
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
            if (benchFile.isEmpty())
                return refuse(err, QStringLiteral("'--simulate=' needs a bench file"), Refusal::Usage);
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
                       "(a session recording, docs/recording.md). The module password is masked."),
        QStringLiteral("FILE"));
    const QCommandLineOption replayOption(
        QStringLiteral("replay"),
        QStringLiteral("Play the adapter from the session recording FILE instead of the USB adapter. The "
                       "first request that differs from the recording stops the program with status 3."),
        QStringLiteral("FILE"));
    parser.addOptions({help, version, simulateOption, scriptOption, demoOption, recordOption, replayOption});

    if (!parser.parse(rest)) return refuse(err, parser.errorText(), Refusal::Usage);
    // Other arguments are ignored: a file manager's "Open with" passes the file's path.
    for (const QString& stray : parser.positionalArguments()) {
        // "--simulate bench.json" reads as the standard bench and a file name.
        const qsizetype at = arguments.indexOf(stray);
        if (simulate && benchFile.isEmpty() && at > 0 && arguments[at - 1] == kSimulate) {
            err << "dravik: the standard bench is used; a bench file is given with '=': --simulate=" << stray
                << '\n';
            err.flush();
        }
    }
    if (parser.isSet(help)) {
        out << parser.helpText();
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
    if (!options.replayPath.isEmpty() && !readableFile(options.replayPath))
        return refuse(err, QStringLiteral("cannot read the recording ") + options.replayPath, Refusal::File);
    if (parser.isSet(recordOption) && options.recordPath.isEmpty())
        return refuse(err, QStringLiteral("'--record' needs a file"), Refusal::Usage);
    if (options.demo && options.scriptPath.isEmpty())
        options.scriptPath = locateShippedFile(kDemoScript, exeDir);
    if (options.simulate) {
        options.benchPath = benchFile.isEmpty() ? locateShippedFile(kDefaultBench, exeDir) : benchFile;
        if (!readableFile(options.benchPath))
            return refuse(err, QStringLiteral("cannot read the bench file ") + options.benchPath,
                          Refusal::File);
    }
    if (!options.scriptPath.isEmpty() && !readableFile(options.scriptPath))
        return refuse(err, QStringLiteral("cannot read the script ") + options.scriptPath, Refusal::File);
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
