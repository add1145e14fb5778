#include "script/ScriptParser.h"

#include <QStringView>
#include <array>

namespace dravik {

namespace {

struct CommandForm {
    const char* word;
    ScriptOp op;
    int minArgs;
    int maxArgs;
    const char* usage;
};

constexpr std::array<CommandForm, 20> kCommands{{
    {"wait", ScriptOp::Wait, 1, 1, "wait MS"},
    {"wait-log", ScriptOp::WaitLog, 1, 2, "wait-log \"TEXT\" [MS]"},
    {"wait-until", ScriptOp::WaitUntil, 3, 4, "wait-until NAME PROPERTY \"VALUE\" [MS]"},
    {"wait-idle", ScriptOp::WaitIdle, 0, 1, "wait-idle [MS]"},
    {"click", ScriptOp::Click, 1, 1, "click NAME"},
    {"select", ScriptOp::Select, 2, 2, "select NAME INDEX|\"TEXT\""},
    {"type", ScriptOp::Type, 2, 2, "type NAME \"TEXT\""},
    {"tab", ScriptOp::Tab, 1, 1, "tab \"CAPTION\""},
    {"answer", ScriptOp::Answer, 1, 1, "answer OK|Cancel"},
    {"plug", ScriptOp::Plug, 0, 0, "plug"},
    {"unplug", ScriptOp::Unplug, 0, 0, "unplug"},
    {"bench", ScriptOp::Bench, 1, 1, "bench FILE"},
    {"expect", ScriptOp::Expect, 3, 3, "expect NAME PROPERTY \"VALUE\""},
    {"expect-contains", ScriptOp::ExpectContains, 3, 3, "expect-contains NAME PROPERTY \"TEXT\""},
    {"expect-log", ScriptOp::ExpectLog, 1, 1, "expect-log \"TEXT\""},
    {"expect-message", ScriptOp::ExpectMessage, 1, 1, "expect-message \"TEXT\""},
    {"screenshot", ScriptOp::Screenshot, 1, 2, "screenshot FILE [NAME]"},
    {"theme", ScriptOp::Theme, 1, 1, "theme dark|light"},
    {"choose-file", ScriptOp::ChooseFile, 1, 1, "choose-file \"PATH\"|Cancel"},
    {"quit", ScriptOp::Quit, 0, 0, "quit"},
}};

// A duration or index: decimal digits only, no sign.
// The property named by word, whatever its case; empty when there is none.
QString knownProperty(const QString& word) {
    for (const QString& p : scriptProperties()) {
        if (p.compare(word, Qt::CaseInsensitive) == 0) return p;
    }
    return {};
}

std::optional<int> parseCount(const QString& word) {
    if (word.isEmpty()) return std::nullopt;
    for (const QChar c : word) {
        if (c < u'0' || c > u'9') return std::nullopt;
    }
    bool ok = false;
    const int value = word.toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

}  // namespace

const QStringList& scriptProperties() {
    static const QStringList properties{"text",        "visible",      "enabled", "checked", "color",
                                        "currentText", "currentIndex", "count",   "title",   "toolTip"};
    return properties;
}

bool splitScriptLine(const QString& line, QStringList& words, QVector<bool>& quoted, QString& error) {
    words.clear();
    quoted.clear();
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (i < n) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        if (line[i] == u'#') break;
        if (line[i] != u'"') {
            const qsizetype start = i;
            while (i < n && !line[i].isSpace()) ++i;
            words.append(line.mid(start, i - start));
            quoted.append(false);
            continue;
        }
        const qsizetype open = i++;
        QString word;
        bool closed = false;
        while (i < n) {
            const QChar c = line[i++];
            if (c == u'"') {
                closed = true;
                break;
            }
            if (c != u'\\') {
                word.append(c);
                continue;
            }
            if (i >= n) break;
            const QChar e = line[i++];
            if (e == u'"' || e == u'\\') {
                word.append(e);
            } else if (e == u'n') {
                word.append(u'\n');
            } else if (e == u't') {
                word.append(u'\t');
            } else {
                error = QStringLiteral("unknown escape \\%1 in a quoted string").arg(e);
                return false;
            }
        }
        if (!closed) {
            error = QStringLiteral("unterminated quoted string starting at column %1").arg(open + 1);
            return false;
        }
        if (i < n && !line[i].isSpace()) {
            error = QStringLiteral("a quoted string must be followed by a blank (column %1)").arg(i + 1);
            return false;
        }
        words.append(word);
        quoted.append(true);
    }
    return true;
}

std::optional<ScriptCommand> parseScriptLine(const QString& line, int lineNumber, QString& error) {
    error.clear();
    QStringList words;
    QVector<bool> quoted;
    if (!splitScriptLine(line, words, quoted, error)) return std::nullopt;
    if (words.isEmpty()) return std::nullopt;

    const CommandForm* form = nullptr;
    for (const CommandForm& candidate : kCommands) {
        if (!quoted[0] && words[0] == QLatin1String(candidate.word)) form = &candidate;
    }
    if (form == nullptr) {
        error = QStringLiteral("unknown command '%1'").arg(words[0]);
        return std::nullopt;
    }
    const auto argc = static_cast<int>(words.size() - 1);
    if (argc < form->minArgs || argc > form->maxArgs) {
        error = QStringLiteral("%1 needs %2 (usage: %3)")
                    .arg(QLatin1String(form->word),
                         argc < form->minArgs ? QStringLiteral("more arguments")
                                              : QStringLiteral("fewer arguments"),
                         QLatin1String(form->usage));
        return std::nullopt;
    }

    ScriptCommand cmd;
    cmd.op = form->op;
    cmd.line = lineNumber;
    const auto badArgument = [&](const QString& what) {
        error = QStringLiteral("%1: %2 (usage: %3)")
                    .arg(QLatin1String(form->word), what, QLatin1String(form->usage));
        return std::nullopt;
    };

    // The time-out of a waiting command: the word at index when given, else the default.
    const auto waitLimit = [&](int index) -> bool {
        cmd.number = kWaitLogDefaultMs;
        if (argc < index) return true;
        const auto ms = parseCount(words[index]);
        if (!ms) return false;
        cmd.number = *ms;
        return true;
    };
    const auto notMilliseconds = [&](int index) {
        return badArgument(QStringLiteral("'%1' is not a number of milliseconds").arg(words[index]));
    };

    switch (cmd.op) {
        case ScriptOp::Wait: {
            const auto ms = parseCount(words[1]);
            if (!ms) return badArgument(QStringLiteral("'%1' is not a number of milliseconds").arg(words[1]));
            cmd.number = *ms;
            break;
        }
        case ScriptOp::WaitLog: {
            cmd.text = words[1];
            if (!waitLimit(2)) return notMilliseconds(2);
            if (cmd.text.isEmpty()) return badArgument(QStringLiteral("the text to wait for is empty"));
            break;
        }
        case ScriptOp::WaitIdle:
            if (!waitLimit(1)) return notMilliseconds(1);
            break;
        case ScriptOp::Select: {
            cmd.name = words[1];
            const auto index = quoted[2] ? std::optional<int>{} : parseCount(words[2]);
            cmd.byIndex = index.has_value();
            if (cmd.byIndex)
                cmd.number = *index;
            else
                cmd.text = words[2];
            break;
        }
        case ScriptOp::Type:
            cmd.name = words[1];
            cmd.text = words[2];
            break;
        case ScriptOp::Click:
        case ScriptOp::Tab:
        case ScriptOp::Screenshot:
        case ScriptOp::Bench:
            cmd.name = words[1];
            if (cmd.name.isEmpty()) return badArgument(QStringLiteral("the argument is empty"));
            if (argc == 2) {
                cmd.text = words[2];
                if (cmd.text.isEmpty()) return badArgument(QStringLiteral("the window name is empty"));
            }
            break;
        case ScriptOp::Answer:
            if (words[1].compare(QLatin1String("OK"), Qt::CaseInsensitive) == 0)
                cmd.cancel = false;
            else if (words[1].compare(QLatin1String("Cancel"), Qt::CaseInsensitive) == 0)
                cmd.cancel = true;
            else
                return badArgument(QStringLiteral("'%1' is neither OK nor Cancel").arg(words[1]));
            break;
        case ScriptOp::ChooseFile:
            // A bare Cancel cancels; a file named Cancel is written in quotes.
            cmd.cancel = !quoted[1] && words[1].compare(QLatin1String("Cancel"), Qt::CaseInsensitive) == 0;
            cmd.text = words[1];
            if (!cmd.cancel && cmd.text.isEmpty()) return badArgument(QStringLiteral("the path is empty"));
            break;
        case ScriptOp::Expect:
        case ScriptOp::ExpectContains:
        case ScriptOp::WaitUntil: {
            cmd.name = words[1];
            cmd.property = knownProperty(words[2]);
            if (cmd.property.isEmpty()) {
                return badArgument(QStringLiteral("unknown property '%1' (known: %2)")
                                       .arg(words[2], scriptProperties().join(QStringLiteral(", "))));
            }
            cmd.text = words[3];
            if (cmd.op == ScriptOp::WaitUntil && !waitLimit(4)) return notMilliseconds(4);
            break;
        }
        case ScriptOp::ExpectLog:
        case ScriptOp::ExpectMessage:
            cmd.text = words[1];
            break;
        case ScriptOp::Theme:
            if (words[1] == QLatin1String("dark"))
                cmd.dark = true;
            else if (words[1] != QLatin1String("light"))
                return badArgument(QStringLiteral("'%1' is neither dark nor light").arg(words[1]));
            break;
        case ScriptOp::Plug:
        case ScriptOp::Unplug:
        case ScriptOp::Quit:
            break;
    }
    return cmd;
}

ScriptParseResult parseScript(const QString& text) {
    ScriptParseResult result;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        const int number = static_cast<int>(i + 1);
        QString error;
        auto cmd = parseScriptLine(line, number, error);
        if (!error.isEmpty()) {
            result.commands.clear();
            result.errorLine = number;
            result.error = error;
            return result;
        }
        if (cmd) result.commands.append(*cmd);
    }
    return result;
}

}  // namespace dravik
