#include "app/SessionRecording.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QThread>
#include <algorithm>

#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "platform/FileAccess.h"
#include "product/PlainText.h"

namespace dravik {

const QString kNoDatabaseIdentity = QStringLiteral("none");

namespace {

// Far above any recording that replays; the copy is read into memory in one piece.
constexpr qint64 kMaxCopyBytes = qint64(1) << 30;

// Adds count bytes of f from offset to the hash; false when they cannot all be read.
bool hashPart(QFile& f, qint64 offset, qint64 count, QCryptographicHash& hash) {
    constexpr qint64 kChunk = 1 << 20;
    if (!f.seek(offset)) return false;
    while (count > 0) {
        const QByteArray chunk = f.read(std::min(count, kChunk));
        if (chunk.isEmpty()) return false;
        hash.addData(chunk);
        count -= chunk.size();
    }
    return true;
}

}  // namespace

QString databaseIdentity(const QString& file) {
    QFile f(file);
    if (!QFileInfo(file).isFile() || !f.open(QIODevice::ReadOnly)) return kNoDatabaseIdentity;
    const qint64 size = f.size();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (size <= kWholeIdentityBytes) {
        if (!hashPart(f, 0, size, hash)) return kNoDatabaseIdentity;
        return QStringLiteral("sha256:") + QString::fromLatin1(hash.result().toHex());
    }
    // A large file by its ends and size: a start-up or a menu click never reads gigabytes.
    if (!hashPart(f, 0, kIdentityEndBytes, hash) ||
        !hashPart(f, size - kIdentityEndBytes, kIdentityEndBytes, hash))
        return kNoDatabaseIdentity;
    hash.addData(QByteArray::number(size));
    return QStringLiteral("sha256-ends:") + QString::fromLatin1(hash.result().toHex());
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

SessionRecording::~SessionRecording() {
    d_.lib.setOnFailed(nullptr);
    // The identity being taken reads a bounded part of one file: waited for.
    if (identifying_) identifying_->wait();
}

RecordingHeader recordingHeader(const QString& backend, const QString& identity, const QString& started) {
    return {versionText(), backend, identity, started};
}

QString SessionRecording::identity(const QString& databaseFile) const {
    return d_.identify ? d_.identify(databaseFile) : databaseIdentity(databaseFile);
}

bool SessionRecording::startWith(const QString& path, const QString& identity, const QString& started,
                                 QString* error) {
    bool ok = false;
    if (!d_.replayed.isEmpty() && sameFile(path, d_.replayed)) {
        if (error != nullptr) *error = QStringLiteral("it is the recording being replayed");
    } else {
        ok = d_.lib.start(path, recordingHeader(d_.backend, identity, started), error);
    }
    showState();
    return ok;
}

bool SessionRecording::start(const QString& path, const QString& started, QString* error) {
    return startWith(path, identity(d_.database ? d_.database() : QString()), started, error);
}

void SessionRecording::stop() {
    if (!d_.lib.recording()) return;
    d_.lib.stop();
    d_.log.appendLog(QStringLiteral("Recording stopped: ") + d_.lib.path() + kCrLf);
    showState();
}

void SessionRecording::recordFromMenu() {
    if (identifying_) return;
    const QString path = d_.files.chooseFile({FileDialogRequest::Mode::Save, QStringLiteral("Record session"),
                                              QStringLiteral("session.jsonl"), QStringLiteral("jsonl"),
                                              QStringLiteral("Recordings (*.jsonl);;All files (*)"),
                                              d_.startFolder ? d_.startFolder() : QString()});
    if (path.isEmpty()) return;
    // The database may be large: its identity is taken on a thread, and the recording begins when
    // it is known. The item stays off meanwhile.
    d_.recordItem->setEnabled(false);
    auto identity = std::make_shared<QString>();
    identifying_.reset(QThread::create([this, identity, file = d_.database ? d_.database() : QString()] {
        *identity = this->identity(file);
    }));
    connect(identifying_.get(), &QThread::finished, this, [this, path, identity] {
        // finished() comes just before the thread ends: it is let end before it goes.
        identifying_->wait();
        identifying_.reset();
        d_.recordItem->setEnabled(true);
        startFromMenu(path, *identity);
    });
    identifying_->start();
}

void SessionRecording::startFromMenu(const QString& path, const QString& identity) {
    QString error;
    if (!startWith(path, identity, QStringLiteral("menu"), &error)) {
        d_.dialogs.message(QStringLiteral("Cannot record into %1: %2").arg(displayPath(path), error),
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
        d_.dialogs.message(QStringLiteral("Cannot save the recording to %1: %2").arg(displayPath(target), why),
                           QStringLiteral("Save log"), Dialogs::Buttons::Ok, Dialogs::Icon::Error);
        d_.log.appendLog(QStringLiteral("Recording not saved with the log: %1: %2").arg(displayPath(target), why) + kCrLf);
        return;
    }
    d_.log.appendLog(QStringLiteral("Recording saved with the log: ") + displayPath(target) + kCrLf);
}

}  // namespace dravik
