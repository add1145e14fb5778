#pragma once
// Session recording on the window: "Record session…" asks for a file and records into it, "Stop
// recording" ends it, the status bar names the file while it runs, and "Save log…" offers the
// recording to go with the saved log. Every recording starts with the program's version, the
// backend and the identity of the product database in use.

#include <QObject>
#include <QString>
#include <functional>

#include "link/FileDialogs.h"
#include "link/RecordingLibrary.h"
#include "link/Views.h"

class QAction;
class QLabel;

namespace dravik {

// "sha256:" and the hex digest of the file's bytes; "none" when it cannot be read.
QString databaseIdentity(const QString& file);

// The first line of a recording begun now: version, backend ("usb", "simulated", "replay:..."), the
// database's identity, and how it was started ("program" or "menu").
RecordingHeader recordingHeader(const QString& backend, const QString& databaseFile, const QString& started);

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
    };

    explicit SessionRecording(Deps deps);
    ~SessionRecording() override;

    // The header of a recording begun now; started is "program" or "menu".
    RecordingHeader header(const QString& started) const;
    // Records into path; false with error set (nothing changes then).
    bool start(const QString& path, const QString& started, QString* error);
    void stop();
    // After "Save log…" wrote logPath: when this run has a recording, offers to save a copy beside
    // the log.
    void offerWithLog(const QString& logPath);

private:
    void recordFromMenu();
    void showState();

    Deps d_;
};

}  // namespace dravik
