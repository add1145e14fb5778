#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/CommandLine.h"
#include "app/DownloadView.h"
#include "app/InstallPaths.h"
#include "script/ScriptRunner.h"
#include "link/Clock.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "link/UsbInterfaceLibrary.h"

using namespace dravik;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const CommandLineOptions options = parseCommandLine(app.arguments());
    if (options.exitNow) return options.exitCode;

    RealClock clock;
    std::unique_ptr<InterfaceLibrary> lib;
    SimulatedInterfaceLibrary* bench = nullptr;
    if (options.simulate || options.demo) {
        std::string error;
        auto config = sim::loadBenchFile(options.benchPath.toStdString(), error);
        if (!config) {
            std::fprintf(stderr, "Bench file %s: %s\n", qPrintable(options.benchPath), error.c_str());
            return 2;
        }
        auto simLib = std::make_unique<SimulatedInterfaceLibrary>(clock, std::move(*config));
        bench = simLib.get();
        lib = std::move(simLib);
    } else {
        lib = std::make_unique<UsbInterfaceLibrary>(clock, makeSystemHidApi());
    }

    const DatabaseLookup database =
        findProductDatabase(QDir::currentPath(), QCoreApplication::applicationDirPath());
    DownloadView window(clock, *lib);
    if (database.found()) window.setDatabaseFolder(database.folder);
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
    const int code = app.exec();
    window.setScriptRunner(nullptr);
    return code;
}
