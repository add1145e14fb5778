#include "app/SessionRecording.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

#include "app/CommandLine.h"
#include "platform/FileAccess.h"
#include "product/PlainText.h"

namespace dravik {

namespace {

// Far above any recording that replays; the copy is read into memory in one piece.
constexpr qint64 kMaxCopyBytes = qint64(1) << 30;

}  // namespace

QString databaseIdentity(const QString& file) {
    QFile f(file);
    if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly)) return QStringLiteral("none");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return QStringLiteral("none");
    return QStringLiteral("sha256:") + QString::fromLatin1(hash.result().toHex());
}

QString recordingBesideLog(const QString& logPath) {
    const QFileInfo info(logPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".recording.jsonl"));
}

SessionRecording::SessionRecording(Deps deps) : d_(std::move(deps)) {
    d_.recordItem->setEnabled(true);
    connect(d_.recordItem, &QAction::triggered, this, [this] { recordFromMenu(); });
    connect(d_.stopItem, &QAction::triggered, this, [this] { stop(); });
    // A failed write is learnt on the thread that wrote; the window is told on its own.
    d_.lib.setOnFailed([this](const QString& why) {
        QMetaObject::invokeMethod(
            this,
            [this, why] {
                d_.log.appendLog(QStringLiteral("Recording stopped: ") + why + kCrLf);
                showState();
                // The standard layout shows no status log: the technician is told in a box too.
                d_.dialogs.message(
                    QStringLiteral("Recording stopped: %1\nThe lines recorded until then are kept.").arg(why),
                    QStringLiteral("Record session"), Dialogs::Buttons::Ok, Dialogs::Icon::Error);
            },
            Qt::QueuedConnection);
    });
    showState();
}

SessionRecording::~SessionRecording() { d_.lib.setOnFailed(nullptr); }

RecordingHeader recordingHeader(const QString& backend, const QString& databaseFile, const QString& started) {
    return {versionText(), backend, databaseIdentity(databaseFile), started};
}

RecordingHeader SessionRecording::header(const QString& started) const {
    return recordingHeader(d_.backend, d_.database ? d_.database() : QString(), started);
}

bool SessionRecording::start(const QString& path, const QString& started, QString* error) {
    const bool ok = d_.lib.start(path, header(started), error);
    showState();
    return ok;
}

void SessionRecording::stop() {
    if (!d_.lib.recording()) return;
    d_.lib.stop();
    d_.log.appendLog(QStringLiteral("Recording stopped: ") + d_.lib.path() + kCrLf);
    showState();
}

void SessionRecording::recordFromMenu() {
    const QString path = d_.files.chooseFile({FileDialogRequest::Mode::Save, QStringLiteral("Record session"),
                                              QStringLiteral("session.jsonl"), QStringLiteral("jsonl"),
                                              QStringLiteral("Recordings (*.jsonl);;All files (*)"),
                                              d_.startFolder ? d_.startFolder() : QString()});
    if (path.isEmpty()) return;
    QString error;
    if (!start(path, QStringLiteral("menu"), &error)) {
        d_.dialogs.message(QStringLiteral("Cannot record into %1: %2").arg(path, error),
                           QStringLiteral("Record session"), Dialogs::Buttons::Ok, Dialogs::Icon::Error);
        return;
    }
    d_.log.appendLog(QStringLiteral("Recording the session into ") + path + kCrLf);
}

void SessionRecording::showState() {
    const bool on = d_.lib.recording();
    d_.stopItem->setEnabled(on);
    d_.field->setVisible(on);
    showPlainText(d_.field,
                  on ? QStringLiteral("Recording: ") + QFileInfo(d_.lib.path()).fileName() : QString());
    d_.field->setToolTip(on ? plainToolTip(d_.lib.path()) : QString());
}

void SessionRecording::offerWithLog(const QString& logPath) {
    const QString recording = d_.lib.path();
    if (recording.isEmpty() || !QFileInfo(recording).isFile()) return;
    const QString target = recordingBesideLog(logPath);
    if (d_.dialogs.message(QStringLiteral("Save the session recording with the log, as %1?").arg(target),
                           QStringLiteral("Save log"), Dialogs::Buttons::OkCancel,
                           Dialogs::Icon::Information) != Dialogs::Ok)
        return;
    FileContent copy = readRegularFile(recording, kMaxCopyBytes);
    // A line being written as the copy is read is left out: the copy ends on a whole line.
    if (copy.ok) copy.bytes.truncate(copy.bytes.lastIndexOf('\n') + 1);
    const QString why = copy.ok ? writeFileSafely(target, copy.bytes) : copy.error;
    if (!why.isEmpty()) {
        d_.dialogs.message(QStringLiteral("Cannot save the recording to %1: %2").arg(target, why),
                           QStringLiteral("Save log"), Dialogs::Buttons::Ok, Dialogs::Icon::Error);
        d_.log.appendLog(QStringLiteral("Recording not saved with the log: %1: %2").arg(target, why) + kCrLf);
        return;
    }
    d_.log.appendLog(QStringLiteral("Recording saved with the log: ") + target + kCrLf);
}

}  // namespace dravik
