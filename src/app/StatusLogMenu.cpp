#include "app/StatusLogMenu.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSaveFile>

namespace dravik {

bool saveLogFile(const QString& path, const QString& text, QString* error) {
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr) *error = file.errorString();
        return false;
    }
    return true;
}

QMenu* makeStatusLogMenu(QPlainTextEdit* box, const StatusLogMenuHooks& hooks, QWidget* parent) {
    QMenu* menu = box->createStandardContextMenu();
    menu->setParent(parent, menu->windowFlags());
    menu->setObjectName(QStringLiteral("statusLogMenu"));
    menu->addSeparator();
    QAction* save = menu->addAction(QStringLiteral("Save log…"));
    save->setObjectName(QStringLiteral("saveLogMenuItem"));
    QObject::connect(save, &QAction::triggered, menu, [hooks] {
        const QString path = hooks.askPath ? hooks.askPath() : QString();
        if (path.isEmpty()) return;
        QString error;
        if (!saveLogFile(path, hooks.logText ? hooks.logText() : QString(), &error) && hooks.failed)
            hooks.failed(QStringLiteral("Cannot save the log to %1: %2").arg(path, error));
    });
    return menu;
}

void installStatusLogMenu(QPlainTextEdit* box, StatusLogMenuHooks hooks) {
    box->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(box, &QWidget::customContextMenuRequested, box, [box, hooks](const QPoint& at) {
        QMenu* menu = makeStatusLogMenu(box, hooks, box);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(box->viewport()->mapToGlobal(at));
    });
}

}  // namespace dravik
