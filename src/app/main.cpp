#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "app/InstallPaths.h"
#include "app/SessionRecording.h"
#include "database/ProductDatabase.h"
#include "script/ScriptRunner.h"
#include "link/Clock.h"
#include "link/RecordingLibrary.h"
#include "link/ReplayInterfaceLibrary.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "link/UsbInterfaceLibrary.h"

using namespace dravik;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const CommandLineOptions options = parseCommandLine(app.arguments());
    if (options.exitNow) return options.exitCode;

    RealClock clock;
    std::unique_ptr<InterfaceLibrary> backend;
    SimulatedInterfaceLibrary* bench = nullptr;
    ReplayInterfaceLibrary* replay = nullptr;
    QString backendName = QStringLiteral("usb");
    if (!options.replayPath.isEmpty()) {
        QString error;
        auto recording = readRecordingFile(options.replayPath, &error);
        if (!recording) {
            std::fprintf(stderr, "Recording %s\n", qPrintable(error));
            return 2;
        }
        auto replayLib = std::make_unique<ReplayInterfaceLibrary>(clock, std::move(*recording));
        replay = replayLib.get();
        backend = std::move(replayLib);
        backendName = QStringLiteral("replay");
    } else if (options.simulate || options.demo) {
        std::string error;
        auto config = sim::loadBenchFile(options.benchPath.toStdString(), error);
        if (!config) {
            std::fprintf(stderr, "Bench file %s: %s\n", qPrintable(options.benchPath), error.c_str());
            return 2;
        }
        auto simLib = std::make_unique<SimulatedInterfaceLibrary>(clock, std::move(*config));
        bench = simLib.get();
        backend = std::move(simLib);
        backendName = QStringLiteral("simulated");
    } else {
        backend = std::make_unique<UsbInterfaceLibrary>(clock, makeSystemHidApi());
    }
    // Every exchange passes the recorder, so that a recording can begin at any time.
    RecordingLibrary lib(clock, *backend);

    const DatabaseLookup database =
        findProductDatabase(QDir::currentPath(), QCoreApplication::applicationDirPath());
    const auto databaseFile = [&database] {
        return QDir(database.found() ? database.folder : QDir::currentPath())
            .filePath(QString::fromLatin1(kProductDatabaseFileName));
    };
    if (replay != nullptr) {
        const std::string used = databaseIdentity(databaseFile()).toStdString();
        const std::string recorded = replay->recordedDatabase();
        if (!recorded.empty() && recorded != used)
            std::fprintf(stderr, "Replay: the recording was made with another product database (%s); this run uses %s\n",
                         recorded.c_str(), used.c_str());
    }
    if (!options.recordPath.isEmpty()) {
        QString error;
        if (!lib.start(options.recordPath, recordingHeader(backendName, databaseFile(), QStringLiteral("program")),
                       &error)) {
            std::fprintf(stderr, "dravik: cannot record into %s: %s\n", qPrintable(options.recordPath),
                         qPrintable(error));
            return 2;
        }
    }
    DownloadView window(clock, lib);
    if (database.found()) window.setDatabaseFolder(database.folder);
    SessionRecording recording({lib, window.ui().recordSessionToolStripMenuItem,
                                window.ui().stopRecordingToolStripMenuItem, window.ui().StatusLabel_recording, window,
                                window, window, backendName, databaseFile, [] { return mainDataFolder(); }});
    window.setSessionRecording(&recording);
    if (replay != nullptr) {
        // The replay stops at the first request that differs; so does the program.
        replay->setOnMismatch([&window](const QString& why) {
            QMetaObject::invokeMethod(
                &window,
                [&window, why] {
                    const QString text = QStringLiteral("Replay stopped at ") + why;
                    std::fprintf(stderr, "%s\n", qPrintable(text));
                    window.appendLog(text + QStringLiteral("\r\n"));
                    QCoreApplication::exit(3);
                },
                Qt::QueuedConnection);
        });
    }
    std::unique_ptr<ScriptRunner> runner;
    const QString script = options.scriptPath;
    if (!script.isEmpty()) {
        ScriptHooks hooks;
        hooks.logText = [&window] { return window.logText(); };
        hooks.busy = [&window] { return window.controller().handler().panelOperationRunning(); };
        if (bench != nullptr) {
            hooks.setPlugged = [bench](bool on) { bench->setPlugged(on); };
            // A relative bench file is looked for beside the bench the run started with.
            hooks.switchBench = [bench, first = options.benchPath](const QString& file) -> QString {
                QString path = file;
                if (QFileInfo(path).isRelative() && !QFileInfo::exists(path))
                    path = QFileInfo(first).dir().filePath(file);
                std::string error;
                auto next = sim::loadBenchFile(path.toStdString(), error);
                if (!next) return QString::fromStdString(error);
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
    if (replay != nullptr && code != 3) {
        std::fprintf(stderr, "Replay: %d of %d recorded exchanges sent as recorded\n", replay->exchangesMatched(),
                     replay->exchangesRecorded());
        // A run that ends without making every recorded exchange did not do what was recorded.
        const QString unplayed = replay->unplayed();
        if (code == 0 && !unplayed.isEmpty()) {
            std::fprintf(stderr, "Replay stopped at %s\n", qPrintable(unplayed));
            code = 3;
        }
    }
    lib.stop();
    return code;
}
