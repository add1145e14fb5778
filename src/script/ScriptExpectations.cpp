// The checking commands of ScriptRunner (expect, expect-contains, expect-log, expect-message) and
// the screenshot.
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>

#include "platform/FileAccess.h"
#include "script/ScriptProperties.h"
#include "script/ScriptRunner.h"

namespace dravik {

using scripting::quotedTail;

void ScriptRunner::expectProperty(const ScriptCommand& cmd) {
    QObject* target = control(cmd);
    if (target == nullptr) return;
    QString actual;
    const scripting::Outcome read = scripting::readProperty(target, cmd.name, cmd.property, actual);
    if (!read.isDone()) {
        fail(2, cmd.line, read.message);
        return;
    }
    const bool contains = cmd.op == ScriptOp::ExpectContains;
    if (scripting::propertyMatches(cmd.property, actual, cmd.text, contains)) return;
    fail(1, cmd.line,
         QStringLiteral("expected %1 %2 %3 \"%4\" but saw \"%5\"")
             .arg(cmd.name, cmd.property, contains ? QStringLiteral("to contain") : QStringLiteral("to be"),
                  cmd.text, quotedTail(actual)));
}

bool ScriptRunner::pollProperty(QString& seen) {
    // The control may not exist yet (a panel row built by a later read): keep waiting for it.
    QObject* target = scripting::findControl(window_, waitCommand_.name);
    if (target == nullptr) {
        seen = QStringLiteral("no control named '%1'").arg(waitCommand_.name);
        return false;
    }
    QString actual;
    const scripting::Outcome read =
        scripting::readProperty(target, waitCommand_.name, waitCommand_.property, actual);
    if (!read.isDone()) {
        seen = read.message;
        return false;
    }
    seen = QStringLiteral("\"%1\"").arg(quotedTail(actual));
    return scripting::propertyMatches(waitCommand_.property, actual, waitCommand_.text, false);
}

void ScriptRunner::expectLog(const ScriptCommand& cmd) {
    const QString log = currentLog();
    if (log.contains(cmd.text)) return;
    fail(1, cmd.line,
         QStringLiteral("expected the status log to contain \"%1\" but saw \"%2\"")
             .arg(cmd.text, quotedTail(log)));
}

void ScriptRunner::expectMessage(const ScriptCommand& cmd) {
    QStringList seen;
    for (const Message& message : messages_) {
        if (message.caption.contains(cmd.text) || message.text.contains(cmd.text)) return;
        seen.append(QStringLiteral("%1: %2").arg(message.caption, message.text));
    }
    fail(1, cmd.line,
         QStringLiteral("expected a message box with \"%1\" but saw %2")
             .arg(cmd.text, seen.isEmpty() ? QStringLiteral("none")
                                           : QStringLiteral("\"%1\"").arg(
                                                 quotedTail(seen.join(QStringLiteral("\" | \""))))));
}

void ScriptRunner::screenshot(const ScriptCommand& cmd) {
    const QFileInfo file(cmd.name);
    if (!QDir().mkpath(file.absolutePath())) {
        fail(2, cmd.line, QStringLiteral("cannot create the folder %1").arg(file.absolutePath()));
        return;
    }
    QWidget* shown = window_;
    if (!cmd.text.isEmpty()) {
        shown = qobject_cast<QWidget*>(scripting::findControl(window_, cmd.text));
        if (shown == nullptr) {
            fail(2, cmd.line,
                 QStringLiteral("no window or control named '%1' to take a picture of").arg(cmd.text));
            return;
        }
        if (!shown->isVisible()) {
            fail(1, cmd.line,
                 QStringLiteral("expected %1 to be shown for a picture but saw it hidden").arg(cmd.text));
            return;
        }
    }
    const QPixmap picture = shown->grab();
    QByteArray png;
    QBuffer buffer(&png);
    QString reason = QStringLiteral("the picture cannot be encoded");
    if (!picture.isNull() && buffer.open(QIODevice::WriteOnly) && picture.save(&buffer, "PNG"))
        reason = writeFileSafely(file.absoluteFilePath(), png);
    if (!reason.isEmpty()) {
        fail(2, cmd.line,
             QStringLiteral("cannot write the screenshot %1: %2").arg(file.absoluteFilePath(), reason));
        return;
    }
    printLine(QStringLiteral("Screenshot %1").arg(file.absoluteFilePath()));
}

}  // namespace dravik
