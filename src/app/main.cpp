#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/Backend.h"
#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "app/InstallPaths.h"
#include "app/SessionRecording.h"
#include "database/ProductDatabase.h"
#include "script/ScriptRunner.h"
#include "link/Clock.h"
#include "link/RecordingLibrary.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "platform/StandardStreams.h"
#include "platform/SystemPaths.h"

using namespace dravik;

int main(int argc, char** argv) {
    // The options are read before any window system starts: help, version and a bad command line
    // work without a display.
    connectStandardStreams();
    const CommandLineOptions options = parseCommandLine(programArguments(argc, argv));
    if (options.exitNow) return options.exitCode;
    {
        QTextStream err(stderr);
        if (!prepareWindowSystem(options, err)) return 2;
    }
    prepareOffscreenFonts();
    QApplication app(argc, argv);

    RealClock clock;
    QString backendError;
    std::optional<Backend> backend = openBackend(options, clock, &backendError);
    if (!backend) {
        std::fprintf(stderr, "%s\n", qPrintable(backendError));
        return 2;
    }
    SimulatedInterfaceLibrary* bench = backend->bench;
    ReplayInterfaceLibrary* replay = backend->replay;
    const QString backendName = backend->name;
    // Every exchange passes the recorder, so that a recording can begin at any time.
    RecordingLibrary lib(clock, *backend->library);

    const QString exeDir = QCoreApplication::applicationDirPath();
    const DatabaseLookup database = findProductDatabase(QDir::currentPath(), exeDir);
    const auto databaseFile = [&database] {
        return QDir(database.found() ? database.folder : QDir::currentPath())
            .filePath(QString::fromLatin1(kProductDatabaseFileName));
    };
    // Taken once, bounded however large the database (databaseIdentity).
    const QString databaseId = options.recordPath.isEmpty() && replay == nullptr
                                   ? kNoDatabaseIdentity
                                   : databaseIdentity(databaseFile());
    if (!options.recordPath.isEmpty()) {
        QString error;
        if (!lib.start(options.recordPath,
                       recordingHeader(backendName, databaseId, QStringLiteral("program")), &error)) {
            std::fprintf(stderr, "dravik: cannot record into %s: %s\n", qPrintable(options.recordPath),
                         qPrintable(error));
            return 2;
        }
    }
    DownloadView window(clock, lib);
    if (database.found()) window.setDatabaseFolder(database.folder);
    if (options.demo) window.setProtocolsFolder(locateShippedFile(QStringLiteral("protocols"), exeDir));
    SessionRecording recording({lib, window.ui().recordSessionToolStripMenuItem,
                                window.ui().stopRecordingToolStripMenuItem, window.ui().StatusLabel_recording,
                                window, window, window, backendName, databaseFile,
                                [] { return mainDataFolder(); }, options.replayPath});
    window.setSessionRecording(&recording);
    if (replay != nullptr) watchReplay(*replay, window, databaseId);
    std::unique_ptr<ScriptRunner> runner;
    const QString script = options.scriptPath;
    if (!script.isEmpty()) {
        ScriptHooks hooks;
        hooks.logText = [&window] { return window.logText(); };
        hooks.logGeneration = [&window] { return window.logGeneration(); };
        hooks.busy = [&window] { return window.controller().handler().panelOperationRunning(); };
        if (bench != nullptr) {
            hooks.setPlugged = [bench](bool on) { bench->setPlugged(on); };
            // A relative bench file is looked for beside the bench the run started with.
            hooks.switchBench = [bench, first = options.benchPath](const QString& file) -> QString {
                QString path = file;
                if (QFileInfo(path).isRelative() && !QFileInfo::exists(path))
                    path = QFileInfo(first).dir().filePath(file);
                QString error;
                auto next = loadBench(path, error);
                if (!next) return path + QStringLiteral(": ") + error;
                bench->replaceBench(std::move(*next));
                return QString();
            };
        } else if (replay != nullptr) {
            // The recording plays the plug events and bench changes of the run it recorded.
            hooks.setPlugged = [](bool) {};
            hooks.switchBench = [](const QString&) { return QString(); };
        }
        runner = std::make_unique<ScriptRunner>(&window, hooks);
        window.setScriptRunner(runner.get());
        QObject::connect(runner.get(), &ScriptRunner::finished, &app, [](int code) { QCoreApplication::exit(code); });
    }
    window.show();
    if (!database.found()) {
        // Said at once; the adapter can still be connected, and the first product operation ends
        // the program as any failing database does.
        const QString text = missingDatabaseText(database);
        std::fprintf(stderr, "%s\n", qPrintable(text));
        QTimer::singleShot(0, &window, [&window, text] {
            window.appendLog(QString(text).replace(u'\n', QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
            window.message(text, QStringLiteral("Product database"), Dialogs::Buttons::Ok,
                           Dialogs::Icon::Error);
        });
    }
    if (runner) runner->startFile(script);
    int code = app.exec();
    window.setScriptRunner(nullptr);
    if (replay != nullptr) code = replayExitCode(*replay, code);
    lib.stop();
    return code;
}
