#pragma once
// Session recording on the window: "Record session…" asks for a file and records into it, "Stop
// recording" ends it, the status bar names the file while it runs, and "Save log…" offers the
// recording to go with the saved log. Every recording starts with the program's version, the
// backend and the identity of the product database in use.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "link/FileDialogs.h"
#include "link/RecordingLibrary.h"
#include "link/Views.h"

class QAction;
class QLabel;
class QThread;

namespace dravik {

// The identity of a database that cannot be read.
extern const QString kNoDatabaseIdentity;
// The identity's cost is bounded: a file up to this size is hashed whole, a larger one by its ends.
inline constexpr qint64 kWholeIdentityBytes = 16 * 1024 * 1024;
inline constexpr qint64 kIdentityEndBytes = 8 * 1024 * 1024;

// The product database's identity for a recording: "sha256:" and the hex digest of the file's
// bytes; for a file larger than kWholeIdentityBytes, "sha256-ends:" and the digest of its first and
// last kIdentityEndBytes and its size in decimal. kNoDatabaseIdentity when it cannot be read.
QString databaseIdentity(const QString& file);

// The first line of a recording begun now: version, backend ("usb", "simulated", "replay:..."), the
// database's identity (databaseIdentity), and how it was started ("program" or "menu").
RecordingHeader recordingHeader(const QString& backend, const QString& identity, const QString& started);

// Where a recording saved with a log goes: beside it, "log.txt" -> "log.recording.jsonl".
QString recordingBesideLog(const QString& logPath);

class SessionRecording : public QObject {
public:
    struct Deps {
        RecordingLibrary& lib;
        QAction* recordItem;  // "Record session…"
        QAction* stopItem;    // "Stop recording"
        QLabel* field;        // status bar: "Recording: FILE"
        LogView& log;
        Dialogs& dialogs;
        FileDialogs& files;
        QString backend;                      // "usb", "simulated" or "replay:" + the replayed one's
        std::function<QString()> database;    // the product database file in use
        std::function<QString()> startFolder; // where the file dialog opens
        QString replayed = {};                // the recording this run replays, never recorded into
        // The database's identity; databaseIdentity when empty. "Record session…" asks it on a
        // thread of its own.
        std::function<QString(const QString&)> identify = {};
    };

    explicit SessionRecording(Deps deps);
    ~SessionRecording() override;

    // Records into path; false with error set (nothing changes then). The database's identity is
    // taken on the calling thread.
    bool start(const QString& path, const QString& started, QString* error);
    // True from the file's choice in "Record session…" until its recording begins (or is refused):
    // meanwhile the database's identity is taken away from the window's thread.
    bool starting() const { return identifying_ != nullptr; }
    void stop();
    // After "Save log…" wrote logPath: when this run has a recording, offers to save a copy beside
    // the log.
    void offerWithLog(const QString& logPath);

private:
    void recordFromMenu();
    // Starts the recording with the database's identity taken; a refusal is shown in a box.
    void startFromMenu(const QString& path, const QString& identity);
    bool startWith(const QString& path, const QString& identity, const QString& started, QString* error);
    QString identity(const QString& databaseFile) const;
    void showState();

    Deps d_;
    std::unique_ptr<QThread> identifying_;
};

}  // namespace dravik
