#pragma once
// The scripted-run language: plain text, one command per line. Parsing is pure (no widgets), so a
// script with a mistake on its last line is refused before anything runs.

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

namespace dravik {

enum class ScriptOp {
    Wait,            // wait MS
    WaitLog,         // wait-log "TEXT" [MS]
    WaitUntil,       // wait-until NAME PROPERTY "VALUE" [MS]
    WaitIdle,        // wait-idle [MS]
    Click,           // click NAME
    Select,          // select NAME INDEX|"TEXT"
    Type,            // type NAME "TEXT"
    Tab,             // tab "CAPTION"
    Answer,          // answer OK|Cancel
    Plug,            // plug
    Unplug,          // unplug
    Bench,           // bench FILE
    Expect,          // expect NAME PROPERTY "VALUE"
    ExpectContains,  // expect-contains NAME PROPERTY "TEXT"
    ExpectLog,       // expect-log "TEXT"
    ExpectMessage,   // expect-message "TEXT"
    Screenshot,      // screenshot FILE [NAME]
    Theme,           // theme dark|light
    ChooseFile,      // choose-file "PATH"|Cancel
    Quit,            // quit
};

struct ScriptCommand {
    ScriptOp op = ScriptOp::Quit;
    int line = 0;          // 1-based line in the script file
    QString name;          // control name or menu path; tab caption; screenshot file
    QString property;      // expect, expect-contains
    QString text;          // text argument (wait-log, select by text, type, expect value, chosen file ...);
                           // the window or control a screenshot shows (empty: the main window)
    int number = -1;       // milliseconds (wait, wait-log, wait-until) or index (select by index)
    bool byIndex = false;  // select: number is an index, not text
    bool cancel = false;   // answer, choose-file: Cancel rather than OK or a path
    bool dark = false;     // theme: the dark palette rather than the style's own
};

// Default time-out of wait-log, wait-until and wait-idle, in milliseconds.
inline constexpr int kWaitLogDefaultMs = 10000;

// The properties that expect and expect-contains can read.
const QStringList& scriptProperties();

struct ScriptParseResult {
    QVector<ScriptCommand> commands;
    int errorLine = 0;  // 0 when the whole script parsed
    QString error;      // what is wrong on errorLine
    bool ok() const { return errorLine == 0; }
};

// Splits one line into words: runs of non-blank characters, or "quoted strings" in which \" is a
// quote, \\ a backslash, \n a line break and \t a tab. A '#' that starts a word outside quotes begins a
// comment. quoted[i] tells whether word i was written in quotes. Returns false with error set on an
// unterminated string or an unknown escape.
bool splitScriptLine(const QString& line, QStringList& words, QVector<bool>& quoted, QString& error);

// Parses one line. Returns nullopt for a blank or comment line (error empty) or for a bad line
// (error set).
std::optional<ScriptCommand> parseScriptLine(const QString& line, int lineNumber, QString& error);

// Parses a whole script; stops at the first bad line.
ScriptParseResult parseScript(const QString& text);

}  // namespace dravik
