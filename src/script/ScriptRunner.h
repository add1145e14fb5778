#pragma once
// Runs a script against the window without ever blocking the event loop: one command per timer
// turn, waits by polling. A command that opens a modal dialog does not stall the script: the next
// commands run inside the dialog's own event loop and can answer it.
//
// Exit status: 0 when the script ran through or reached quit; 1 at the first failed expectation;
// 2 for a script error (bad line, missing control, unreadable file, plug without a bench).

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QVector>
#include <QWidget>
#include <functional>

#include "script/ScriptParser.h"
#include "link/Views.h"

namespace dravik {

// What the window lends the runner.
struct ScriptHooks {
    // The whole status log as shown. Without it, the runner uses what onLog() received.
    std::function<QString()> logText;
    // Changes whenever the log is emptied; wait-log then searches the new log from its start.
    // Without it, a log shorter than the search position counts as emptied.
    std::function<quint64()> logGeneration;
    // Plugs or unplugs the simulated adapter; empty when no bench is simulated.
    std::function<void(bool plugged)> setPlugged;
    // Puts the bench of a bench file in place of the simulated one, as if the adapter were
    // unplugged and another bench plugged in; returns an error text, empty on success.
    std::function<QString(const QString& benchFile)> switchBench;
    // True while a product connection, read, write or module operation runs; without it
    // wait-idle finds the program idle.
    std::function<bool()> busy;
};

class ScriptRunner : public QObject {
    Q_OBJECT

  public:
    using Printer = std::function<void(const QString&)>;

    ScriptRunner(QWidget* window, ScriptHooks hooks, QObject* parent = nullptr);

    // Start the script. Nothing runs inside these calls; finished() is always emitted later, from
    // the event loop, so it may be connected after starting. Start once per runner.
    void startFile(const QString& path);
    void startText(const QString& text);

    bool isRunning() const { return state_ == State::Running; }
    int exitCode() const { return exitCode_; }    // -1 until finished
    QString failure() const { return failure_; }  // what was printed for a status 1 or 2

    // Every message box of a scripted run goes here instead of to the screen. Records it for
    // expect-message, prints it, and returns the answer the script set for it with "answer"
    // (OK when none was set); that answer is used up.
    Dialogs::Answer onMessage(const QString& caption, const QString& text);
    // The answer for the message box being shown: the one onMessage() returned for it, or, when
    // called before onMessage(), the answer set for the next box (used up).
    Dialogs::Answer takeAnswer();
    // Every file dialog of a scripted run goes here. Prints it and returns the file the script set
    // with choose-file, as a full path, or an empty text (Cancel) when none was set; that answer
    // is used up.
    QString onFileDialog(const QString& caption);
    // Every piece of text appended to the status log; printed as it comes.
    void onLog(const QString& text);

    // Where printed text goes: standard output for the log and the message boxes, standard error
    // for failures. Tests capture them here.
    void setPrinters(Printer out, Printer err);

  signals:
    void finished(int code);

  private:
    enum class State { Idle, Running, Finished };

    void step();
    void execute(const ScriptCommand& cmd);
    bool pollLog();
    // Whether the wait-until condition holds; seen gets the value read (or why none was).
    bool pollProperty(QString& seen);
    bool idle() const { return !hooks_.busy || !hooks_.busy(); }
    QString currentLog() const;
    void expectProperty(const ScriptCommand& cmd);
    void expectLog(const ScriptCommand& cmd);
    void expectMessage(const ScriptCommand& cmd);
    void screenshot(const ScriptCommand& cmd);
    QObject* control(const ScriptCommand& cmd);
    void fail(int code, int line, const QString& message);
    void finish(int code);
    void print(const QString& text);
    void printLine(const QString& line);  // on a line of its own

    QPointer<QWidget> window_;
    ScriptHooks hooks_;
    Printer out_;
    Printer err_;
    QTimer timer_;
    QElapsedTimer clock_;

    State state_ = State::Idle;
    int exitCode_ = -1;
    QString failure_;
    QVector<ScriptCommand> commands_;
    qsizetype next_ = 0;
    // A script refused before its first command (unreadable or bad line) is reported on the first
    // timer turn, like any other end.
    int refusedLine_ = -1;
    QString refusal_;

    // wait-log, wait-until or wait-idle in progress
    bool waitingForLog_ = false;
    bool waitingForProperty_ = false;
    bool waitingForIdle_ = false;
    ScriptCommand waitCommand_;
    qint64 waitDeadlineMs_ = 0;
    qsizetype logCursor_ = 0;  // wait-log searches from here; moves past each match
    quint64 logCursorGeneration_ = 0;  // the log generation logCursor_ points into

    QString seenLog_;
    bool atLineStart_ = true;
    struct Message {
        QString caption;
        QString text;
    };
    QVector<Message> messages_;
    Dialogs::Answer nextAnswer_ = Dialogs::Ok;
    Dialogs::Answer shownAnswer_ = Dialogs::Ok;
    bool answerShown_ = false;
    QString nextFile_;  // empty: the next file dialog is cancelled
};

}  // namespace dravik
