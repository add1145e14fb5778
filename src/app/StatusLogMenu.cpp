#include "app/StatusLogMenu.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>

#include "app/DataFolder.h"
#include "platform/FileAccess.h"

namespace dravik {

bool saveLogFile(const QString& path, const QString& text, QString* error) {
    const QString reason = writeFileSafely(path, text.toUtf8());
    if (reason.isEmpty()) return true;
    if (error != nullptr) *error = reason;
    return false;
}

QAction* makeSaveLogAction(QPlainTextEdit* box, StatusLogMenuHooks hooks) {
    auto* save = new QAction(QStringLiteral("Save log…"), box);
    save->setObjectName(QStringLiteral("saveLogMenuItem"));
    QObject::connect(save, &QAction::triggered, box, [hooks] {
        const QString path = hooks.askPath ? hooks.askPath() : QString();
        if (path.isEmpty()) return;
        QString error;
        if (!saveLogFile(path, hooks.logText ? hooks.logText() : QString(), &error)) {
            if (hooks.failed) hooks.failed(QStringLiteral("Cannot save the log to %1: %2").arg(displayPath(path), error));
            if (hooks.log) hooks.log(QStringLiteral("Log not saved: %1: %2\r\n").arg(displayPath(path), error));
        } else if (hooks.saved) {
            hooks.saved(path);
        }
    });
    return save;
}

QMenu* makeStatusLogMenu(QPlainTextEdit* box, QAction* save, QWidget* parent) {
    QMenu* menu = box->createStandardContextMenu();
    menu->setParent(parent, menu->windowFlags());
    menu->setObjectName(QStringLiteral("statusLogMenu"));
    menu->addSeparator();
    menu->addAction(save);
    return menu;
}

void installStatusLogMenu(QPlainTextEdit* box, StatusLogMenuHooks hooks) {
    QAction* save = makeSaveLogAction(box, std::move(hooks));
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(box, &QWidget::customContextMenuRequested, box, [box, save](const QPoint& at) {
        QMenu* menu = makeStatusLogMenu(box, save, box);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(box->viewport()->mapToGlobal(at));
    });
}

}  // namespace dravik
