#include "script/ScriptRunner.h"

#include <QFileInfo>
#include <cstdio>

#include "platform/FileAccess.h"
#include "script/ScriptControls.h"
#include "script/ScriptProperties.h"

namespace dravik {

namespace {

constexpr int kLogPollMs = 20;
// Far above any hand-written script; a larger file is not one.
constexpr qint64 kMaxScriptBytes = 4 << 20;

void writeTo(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QString withoutCarriageReturns(QString text) {
    text.remove(u'\r');
    return text;
}

QString oneEntry(const QString& text) {
    QString entry = withoutCarriageReturns(text);
    while (entry.endsWith(u'\n')) entry.chop(1);
    return entry;
}

}  // namespace

ScriptRunner::ScriptRunner(QWidget* window, ScriptHooks hooks, QObject* parent)
    : QObject(parent),
      window_(window),
      hooks_(std::move(hooks)),
      out_([](const QString& text) { writeTo(stdout, text); }),
      err_([](const QString& text) { writeTo(stderr, text); }) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &ScriptRunner::step);
}

void ScriptRunner::setPrinters(Printer out, Printer err) {
    out_ = std::move(out);
    err_ = std::move(err);
}

void ScriptRunner::startFile(const QString& path) {
    const FileContent content = readRegularFile(path, kMaxScriptBytes);
    if (!content.ok) {
        state_ = State::Running;
        refusedLine_ = 0;
        refusal_ = QStringLiteral("cannot read script %1: %2").arg(path, content.error);
        timer_.start(0);
        return;
    }
    startText(QString::fromUtf8(content.bytes));
}

void ScriptRunner::startText(const QString& text) {
    if (state_ != State::Idle) return;
    state_ = State::Running;
    const ScriptParseResult parsed = parseScript(text);
    if (!parsed.ok()) {
        refusedLine_ = parsed.errorLine;
        refusal_ = parsed.error;
    }
    commands_ = parsed.commands;
    next_ = 0;
    logCursor_ = currentLog().size();
    logCursorGeneration_ = hooks_.logGeneration ? hooks_.logGeneration() : 0;
    clock_.start();
    timer_.start(0);
}

void ScriptRunner::step() {
    if (state_ != State::Running) return;
    if (refusedLine_ >= 0) {
        fail(2, refusedLine_, refusal_);
        return;
    }
    if (window_.isNull()) {
        fail(2, 0, QStringLiteral("the window is gone"));
        return;
    }
    if (waitingForProperty_) {
        QString seen;
        if (pollProperty(seen)) {
            waitingForProperty_ = false;
        } else if (clock_.elapsed() >= waitDeadlineMs_) {
            fail(1, waitCommand_.line,
                 QStringLiteral("expected %1 %2 to be \"%3\" within %4 ms but saw %5")
                     .arg(waitCommand_.name, waitCommand_.property, waitCommand_.text)
                     .arg(waitCommand_.number)
                     .arg(seen));
            return;
        } else {
            timer_.start(kLogPollMs);
            return;
        }
    }
    if (waitingForIdle_) {
        if (idle()) {
            waitingForIdle_ = false;
        } else if (clock_.elapsed() >= waitDeadlineMs_) {
            fail(1, waitCommand_.line,
                 QStringLiteral("expected no operation in progress within %1 ms").arg(waitCommand_.number));
            return;
        } else {
            timer_.start(kLogPollMs);
            return;
        }
    }
    if (waitingForLog_) {
        if (pollLog()) {
            waitingForLog_ = false;
        } else if (clock_.elapsed() >= waitDeadlineMs_) {
            fail(1, waitCommand_.line,
                 QStringLiteral("expected \"%1\" in the status log within %2 ms but saw \"%3\"")
                     .arg(waitCommand_.text)
                     .arg(waitCommand_.number)
                     .arg(scripting::quotedTail(currentLog().mid(logCursor_))));
            return;
        } else {
            timer_.start(kLogPollMs);
            return;
        }
    }
    if (next_ >= commands_.size()) {
        finish(0);
        return;
    }
    const ScriptCommand cmd = commands_[next_++];
    // Scheduled before the command runs: a command that opens a modal dialog returns only when the
    // dialog closes, and the script has to go on meanwhile inside the dialog's event loop.
    timer_.start(0);
    execute(cmd);
}

void ScriptRunner::execute(const ScriptCommand& cmd) {
    using scripting::Outcome;
    const auto conclude = [&](const Outcome& outcome) {
        if (!outcome.isDone()) fail(outcome.kind == Outcome::Kind::Failed ? 1 : 2, cmd.line, outcome.message);
    };
    switch (cmd.op) {
        case ScriptOp::Wait:
            timer_.start(cmd.number);
            break;
        case ScriptOp::WaitLog:
            waitCommand_ = cmd;
            waitDeadlineMs_ = clock_.elapsed() + cmd.number;
            waitingForLog_ = !pollLog();
            if (waitingForLog_) timer_.start(kLogPollMs);
            break;
        case ScriptOp::WaitUntil: {
            waitCommand_ = cmd;
            waitDeadlineMs_ = clock_.elapsed() + cmd.number;
            QString seen;
            waitingForProperty_ = !pollProperty(seen);
            if (waitingForProperty_) timer_.start(kLogPollMs);
            break;
        }
        case ScriptOp::WaitIdle:
            waitCommand_ = cmd;
            waitDeadlineMs_ = clock_.elapsed() + cmd.number;
            waitingForIdle_ = !idle();
            if (waitingForIdle_) timer_.start(kLogPollMs);
            break;
        case ScriptOp::Click:
            if (QObject* target = control(cmd)) conclude(scripting::clickControl(target, cmd.name));
            break;
        case ScriptOp::Select:
            if (QObject* target = control(cmd)) {
                conclude(
                    scripting::selectInControl(target, cmd.name, cmd.byIndex ? cmd.number : -1, cmd.text));
            }
            break;
        case ScriptOp::Type:
            if (QObject* target = control(cmd))
                conclude(scripting::typeIntoControl(target, cmd.name, cmd.text));
            break;
        case ScriptOp::Tab:
            conclude(scripting::selectTab(window_, cmd.name));
            break;
        case ScriptOp::Answer:
            nextAnswer_ = cmd.cancel ? Dialogs::Cancel : Dialogs::Ok;
            answerShown_ = false;
            break;
        case ScriptOp::ChooseFile:
            nextFile_ = cmd.cancel ? QString() : QFileInfo(cmd.text).absoluteFilePath();
            break;
        case ScriptOp::Plug:
        case ScriptOp::Unplug:
            if (!hooks_.setPlugged) {
                fail(2, cmd.line,
                     QStringLiteral("%1 needs --simulate")
                         .arg(cmd.op == ScriptOp::Plug ? QStringLiteral("plug") : QStringLiteral("unplug")));
                break;
            }
            hooks_.setPlugged(cmd.op == ScriptOp::Plug);
            break;
        case ScriptOp::Bench:
            if (!hooks_.switchBench) {
                fail(2, cmd.line, QStringLiteral("bench needs --simulate"));
            } else if (const QString error = hooks_.switchBench(cmd.name); !error.isEmpty()) {
                fail(2, cmd.line, error);
            }
            break;
        case ScriptOp::Expect:
        case ScriptOp::ExpectContains:
            expectProperty(cmd);
            break;
        case ScriptOp::ExpectLog:
            expectLog(cmd);
            break;
        case ScriptOp::ExpectMessage:
            expectMessage(cmd);
            break;
        case ScriptOp::Screenshot:
            screenshot(cmd);
            break;
        case ScriptOp::Theme:
            scripting::applyTheme(cmd.dark);
            break;
        case ScriptOp::Quit:
            finish(0);
            break;
    }
}

QObject* ScriptRunner::control(const ScriptCommand& cmd) {
    QObject* found = scripting::findControl(window_, cmd.name);
    if (found == nullptr) fail(2, cmd.line, QStringLiteral("no control named '%1'").arg(cmd.name));
    return found;
}

QString ScriptRunner::currentLog() const { return hooks_.logText ? hooks_.logText() : seenLog_; }

bool ScriptRunner::pollLog() {
    const QString log = currentLog();
    // An emptied log is searched again from its start, however long its new text already is.
    const quint64 generation = hooks_.logGeneration ? hooks_.logGeneration() : logCursorGeneration_;
    if (generation != logCursorGeneration_ || log.size() < logCursor_) logCursor_ = 0;
    logCursorGeneration_ = generation;
    const qsizetype at = log.indexOf(waitCommand_.text, logCursor_);
    if (at < 0) return false;
    logCursor_ = at + waitCommand_.text.size();
    return true;
}

void ScriptRunner::fail(int code, int line, const QString& message) {
    if (state_ != State::Running) return;
    failure_ = line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(message) : message;
    if (!atLineStart_) print(QStringLiteral("\n"));
    err_(failure_ + u'\n');
    finish(code);
}

void ScriptRunner::finish(int code) {
    if (state_ != State::Running) return;
    state_ = State::Finished;
    exitCode_ = code;
    timer_.stop();
    emit finished(code);
}

void ScriptRunner::print(const QString& text) {
    if (text.isEmpty()) return;
    out_(text);
    atLineStart_ = text.endsWith(u'\n');
}

void ScriptRunner::printLine(const QString& line) {
    if (!atLineStart_) print(QStringLiteral("\n"));
    print(line + u'\n');
}

Dialogs::Answer ScriptRunner::onMessage(const QString& caption, const QString& text) {
    messages_.append({caption, text});
    printLine(QStringLiteral("Message \"%1\": %2").arg(caption, oneEntry(text)));
    shownAnswer_ = nextAnswer_;
    answerShown_ = true;
    nextAnswer_ = Dialogs::Ok;
    return shownAnswer_;
}

Dialogs::Answer ScriptRunner::takeAnswer() {
    if (answerShown_) {
        answerShown_ = false;
        return shownAnswer_;
    }
    const Dialogs::Answer answer = nextAnswer_;
    nextAnswer_ = Dialogs::Ok;
    return answer;
}

QString ScriptRunner::onFileDialog(const QString& caption) {
    const QString chosen = nextFile_;
    nextFile_.clear();
    printLine(QStringLiteral("File dialog \"%1\": %2")
                  .arg(caption, chosen.isEmpty() ? QStringLiteral("Cancel") : chosen));
    return chosen;
}

void ScriptRunner::onLog(const QString& text) {
    seenLog_ += text;
    print(withoutCarriageReturns(text));
}

}  // namespace dravik
