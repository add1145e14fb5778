#include "app/Backend.h"

#include <QCoreApplication>
#include <cstdio>

#include "app/DownloadView.h"
#include "app/SessionRecording.h"
#include "link/ReplayInterfaceLibrary.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "link/UsbInterfaceLibrary.h"
#include "platform/FileAccess.h"

namespace dravik {

std::optional<sim::BenchConfig> loadBench(const QString& path, QString& error) {
    // Bench files are small JSON; anything near this size is not one.
    constexpr qint64 kMaxBenchBytes = 1 << 20;
    const FileContent content = readRegularFile(path, kMaxBenchBytes);
    if (!content.ok) {
        error = content.error;
        return std::nullopt;
    }
    std::string why;
    auto config = sim::parseBenchJson(content.bytes.toStdString(), why);
    if (!config) error = QString::fromStdString(why);
    return config;
}

std::optional<Backend> openBackend(const CommandLineOptions& options, Clock& clock, QString* error) {
    Backend b;
    if (!options.replayPath.isEmpty()) {
        if (sameFile(options.recordPath, options.replayPath)) {
            if (error != nullptr)
                *error = QStringLiteral(
                             "dravik: --record %1 names the recording that --replay plays; recording "
                             "would overwrite it. Record into another file.")
                             .arg(options.recordPath);
            return std::nullopt;
        }
        QString why;
        auto recording = readRecordingFile(options.replayPath, &why);
        if (!recording) {
            if (error != nullptr) *error = QStringLiteral("Recording ") + why;
            return std::nullopt;
        }
        // A recording of this run names what the replayed one ran on, so that it replays alike.
        b.name = QStringLiteral("replay:") + QString::fromStdString(recording->backend);
        auto replay = std::make_unique<ReplayInterfaceLibrary>(clock, std::move(*recording));
        b.replay = replay.get();
        b.library = std::move(replay);
    } else if (options.simulate || options.demo) {
        QString why;
        auto config = loadBench(options.benchPath, why);
        if (!config) {
            if (error != nullptr) *error = QStringLiteral("Bench file %1: %2").arg(options.benchPath, why);
            return std::nullopt;
        }
        auto bench = std::make_unique<SimulatedInterfaceLibrary>(clock, std::move(*config));
        b.bench = bench.get();
        b.library = std::move(bench);
        b.name = QStringLiteral("simulated");
    } else {
        b.library = std::make_unique<UsbInterfaceLibrary>(clock, makeSystemHidApi());
        b.name = QStringLiteral("usb");
    }
    return b;
}

QStringList replayNotes(const QString& recordedProgram, const QString& recordedDatabase,
                        const QString& databaseId) {
    QStringList notes;
    if (!recordedProgram.isEmpty() && recordedProgram != versionText())
        notes << QStringLiteral("Replay: the recording was made by %1; this is %2")
                     .arg(recordedProgram, versionText());
    if (!recordedDatabase.isEmpty() && recordedDatabase != kNoDatabaseIdentity &&
        recordedDatabase != databaseId)
        notes << QStringLiteral(
                     "Replay: the recording was made with another product database (%1); this run uses %2")
                     .arg(recordedDatabase, databaseId);
    return notes;
}

void watchReplay(ReplayInterfaceLibrary& replay, DownloadView& window, const QString& databaseId) {
    for (const QString& note : replayNotes(QString::fromStdString(replay.recordedProgram()),
                                           QString::fromStdString(replay.recordedDatabase()), databaseId))
        std::fprintf(stderr, "%s\n", qPrintable(note));
    // Told on the thread that sent the request; the window stops the program on its own.
    replay.setOnMismatch([&window](const QString& why) {
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

int replayExitCode(const ReplayInterfaceLibrary& replay, int code) {
    if (code == 3) return code;
    std::fprintf(stderr, "Replay: %d of %d recorded exchanges sent as recorded\n", replay.exchangesMatched(),
                 replay.exchangesRecorded());
    const QString unplayed = replay.unplayed();
    if (code != 0 || unplayed.isEmpty()) return code;
    std::fprintf(stderr, "Replay stopped at %s\n", qPrintable(unplayed));
    return 3;
}

}  // namespace dravik
