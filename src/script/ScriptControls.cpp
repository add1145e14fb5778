#include "script/ScriptControls.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>

namespace dravik::scripting {

namespace {

QObject* findUnder(QWidget* root, const QString& name) {
    if (root->objectName() == name) return root;
    return root->findChild<QObject*>(name);
}

QAction* findInActions(const QList<QAction*>& actions, QStringView path, int depth) {
    if (depth > 16) return nullptr;
    for (QAction* action : actions) {
        if (action->isSeparator()) continue;
        const QString caption = plainCaption(action->text());
        if (caption.isEmpty()) continue;
        if (path == caption) return action;
        QMenu* menu = action->menu();
        if (menu != nullptr && path.startsWith(caption) && path.size() > caption.size() &&
            path[caption.size()] == u'/') {
            if (QAction* found = findInActions(menu->actions(), path.mid(caption.size() + 1), depth + 1)) {
                return found;
            }
        }
    }
    return nullptr;
}

QAction* findMenuPath(QWidget* window, const QString& path) {
    QMenuBar* bar = nullptr;
    if (auto* main = qobject_cast<QMainWindow*>(window)) bar = qobject_cast<QMenuBar*>(main->menuWidget());
    if (bar == nullptr) bar = window->findChild<QMenuBar*>();
    return bar == nullptr ? nullptr : findInActions(bar->actions(), path, 0);
}

bool actionEnabledAt(const QAction* action, int depth) {
    if (!action->isEnabled()) return false;
    const QList<QObject*> holders = action->associatedObjects();
    if (holders.isEmpty() || depth > 16) return true;
    for (QObject* holder : holders) {
        if (auto* menu = qobject_cast<QMenu*>(holder)) {
            if (menu->isEnabled() && actionEnabledAt(menu->menuAction(), depth + 1)) return true;
        } else if (auto* widget = qobject_cast<QWidget*>(holder)) {
            if (widget->isEnabled()) return true;
        } else {
            return true;
        }
    }
    return false;
}

Outcome refusedWhenDisabled(const QString& name) {
    return Outcome::failed(QStringLiteral("expected %1 to be enabled but saw it disabled").arg(name));
}

void sendKey(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &release);
}

// The key a keyboard would report for one character; printable ASCII keys carry their upper-case
// code, everything else travels as text only.
int keyFor(char32_t c) {
    if (c == U'\n') return Qt::Key_Return;
    if (c >= 0x20 && c < 0x7F) return static_cast<int>(QChar::toUpper(c));
    return Qt::Key_unknown;
}

}  // namespace

QString plainCaption(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c == u'\t') break;
        if (c == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                plain.append(u'&');
                ++i;
            }
            continue;
        }
        plain.append(c);
    }
    return plain;
}

QObject* findControl(QWidget* window, const QString& name) {
    if (window == nullptr || name.isEmpty()) return nullptr;
    if (QObject* found = findUnder(window, name)) return found;
    const QWidgetList tops = QApplication::topLevelWidgets();
    for (const bool shown : {true, false}) {
        for (QWidget* top : tops) {
            if (top == window || top->isVisible() != shown) continue;
            if (QObject* found = findUnder(top, name)) return found;
        }
    }
    if (name.contains(u'/')) return findMenuPath(window, name);
    return nullptr;
}

bool actionEnabled(const QAction* action) { return actionEnabledAt(action, 0); }

Outcome clickControl(QObject* control, const QString& name) {
    if (auto* action = qobject_cast<QAction*>(control)) {
        if (action->menu() != nullptr) {
            return Outcome::error(QStringLiteral("%1 opens a menu; click one of its items").arg(name));
        }
        if (!actionEnabled(action)) return refusedWhenDisabled(name);
        action->trigger();
        return Outcome::done();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        if (!button->isEnabled()) return refusedWhenDisabled(name);
        button->click();
        return Outcome::done();
    }
    return Outcome::error(QStringLiteral("%1 (%2) cannot be clicked")
                              .arg(name, QLatin1String(control->metaObject()->className())));
}

Outcome selectInControl(QObject* control, const QString& name, int index, const QString& text) {
    auto* widget = qobject_cast<QWidget*>(control);
    QStringList items;
    int row = index;
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        for (int i = 0; i < combo->count(); ++i) items.append(combo->itemText(i));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        for (int i = 0; i < list->count(); ++i) items.append(list->item(i)->text());
    } else if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
        for (int i = 0; i < tabs->count(); ++i) items.append(plainCaption(tabs->tabText(i)));
    } else {
        return Outcome::error(QStringLiteral("%1 (%2) has no entries to select")
                                  .arg(name, QLatin1String(control->metaObject()->className())));
    }
    if (!widget->isEnabled()) return refusedWhenDisabled(name);
    if (index < 0) row = static_cast<int>(items.indexOf(text));
    if (row < 0 || row >= items.size()) {
        const QString wanted = index < 0 ? QStringLiteral("an entry \"%1\"").arg(text)
                                         : QStringLiteral("an entry at index %1").arg(index);
        return Outcome::failed(QStringLiteral("expected %1 to have %2 but saw %3 entries: \"%4\"")
                                   .arg(name, wanted)
                                   .arg(items.size())
                                   .arg(items.join(QStringLiteral("\", \""))));
    }
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        combo->setCurrentIndex(row);
        emit combo->activated(row);
        emit combo->textActivated(combo->itemText(row));
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        list->setCurrentRow(row);
        emit list->itemClicked(list->item(row));
    } else if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
        if (!tabs->isTabEnabled(row))
            return refusedWhenDisabled(name + QStringLiteral(" page ") + items[row]);
        tabs->setCurrentIndex(row);
    }
    return Outcome::done();
}

Outcome typeIntoControl(QObject* control, const QString& name, const QString& text) {
    QWidget* target = nullptr;
    bool readOnly = false;
    if (auto* combo = qobject_cast<QComboBox*>(control); combo != nullptr && combo->lineEdit() != nullptr) {
        control = combo->lineEdit();
    }
    if (auto* line = qobject_cast<QLineEdit*>(control)) {
        readOnly = line->isReadOnly();
        line->selectAll();
        target = line;
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        readOnly = plain->isReadOnly();
        plain->selectAll();
        target = plain;
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        readOnly = rich->isReadOnly();
        rich->selectAll();
        target = rich;
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
        readOnly = spin->isReadOnly();
        spin->selectAll();
        target = spin;
    } else {
        return Outcome::error(QStringLiteral("%1 (%2) does not take typed text")
                                  .arg(name, QLatin1String(control->metaObject()->className())));
    }
    if (!target->isEnabled()) return refusedWhenDisabled(name);
    if (readOnly)
        return Outcome::failed(QStringLiteral("expected %1 to be editable but saw it read-only").arg(name));
    target->setFocus(Qt::OtherFocusReason);
    if (text.isEmpty()) {
        sendKey(target, Qt::Key_Delete, QString());
        return Outcome::done();
    }
    for (const char32_t c : text.toUcs4()) {
        sendKey(target, keyFor(c), c == U'\n' ? QStringLiteral("\r") : QString::fromUcs4(&c, 1));
    }
    return Outcome::done();
}

Outcome selectTab(QWidget* window, const QString& caption) {
    QList<QTabWidget*> tabWidgets = window->findChildren<QTabWidget*>();
    if (auto* self = qobject_cast<QTabWidget*>(window)) tabWidgets.prepend(self);
    QStringList seen;
    for (QTabWidget* tabs : tabWidgets) {
        for (int i = 0; i < tabs->count(); ++i) {
            const QString text = plainCaption(tabs->tabText(i));
            if (text != caption || !tabs->isTabVisible(i)) {
                if (tabs->isTabVisible(i)) seen.append(text);
                continue;
            }
            if (!tabs->isEnabled() || !tabs->isTabEnabled(i)) {
                return refusedWhenDisabled(QStringLiteral("the tab page \"%1\"").arg(caption));
            }
            tabs->setCurrentIndex(i);
            return Outcome::done();
        }
    }
    if (tabWidgets.isEmpty()) return Outcome::error(QStringLiteral("the window has no tab pages"));
    return Outcome::failed(QStringLiteral("expected a tab page \"%1\" but saw \"%2\"")
                               .arg(caption, seen.join(QStringLiteral("\", \""))));
}

void applyTheme(bool dark) {
    if (!dark) {
        QApplication::setPalette(QApplication::style()->standardPalette());
        return;
    }
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), base(0x24, 0x24, 0x24), text(0xe8, 0xe8, 0xe8);
    for (const QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(g, QPalette::Window, window);
        p.setColor(g, QPalette::WindowText, text);
        p.setColor(g, QPalette::Base, base);
        p.setColor(g, QPalette::AlternateBase, window);
        p.setColor(g, QPalette::Text, text);
        p.setColor(g, QPalette::Button, window);
        p.setColor(g, QPalette::ButtonText, text);
        p.setColor(g, QPalette::ToolTipBase, base);
        p.setColor(g, QPalette::ToolTipText, text);
        p.setColor(g, QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
        p.setColor(g, QPalette::HighlightedText, Qt::white);
        p.setColor(g, QPalette::Light, QColor(0x50, 0x50, 0x50));
        p.setColor(g, QPalette::Midlight, QColor(0x45, 0x45, 0x45));
        p.setColor(g, QPalette::Mid, QColor(0x2a, 0x2a, 0x2a));
        p.setColor(g, QPalette::Dark, QColor(0x1e, 0x1e, 0x1e));
        p.setColor(g, QPalette::Shadow, Qt::black);
        p.setColor(g, QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    }
    p.setColor(QPalette::Disabled, QPalette::Window, window);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Disabled, QPalette::Button, window);
    for (const QPalette::ColorRole r : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, r, QColor(0x80, 0x80, 0x80));
    QApplication::setPalette(p);
}

}  // namespace dravik::scripting
