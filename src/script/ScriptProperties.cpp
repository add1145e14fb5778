#include "script/ScriptProperties.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <optional>

namespace dravik::scripting {

namespace {

QString boolText(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

// The palette role the widget draws its own text with, as the window sets it.
QPalette::ColorRole foregroundRole(const QWidget* widget) {
    if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
        qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractItemView*>(widget)) {
        return QPalette::Text;
    }
    if (qobject_cast<const QAbstractButton*>(widget)) return QPalette::ButtonText;
    return QPalette::WindowText;
}

std::optional<QString> widgetProperty(QWidget* w, const QString& property) {
    auto* combo = qobject_cast<QComboBox*>(w);
    auto* tabs = qobject_cast<QTabWidget*>(w);
    auto* list = qobject_cast<QListWidget*>(w);
    auto* stack = qobject_cast<QStackedWidget*>(w);
    auto* group = qobject_cast<QGroupBox*>(w);
    auto* menu = qobject_cast<QMenu*>(w);

    if (property == QLatin1String("visible")) return boolText(w->isVisibleTo(w->window()));
    if (property == QLatin1String("enabled")) return boolText(w->isEnabled());
    if (property == QLatin1String("toolTip")) return w->toolTip();
    if (property == QLatin1String("color")) return w->palette().color(foregroundRole(w)).name();
    if (property == QLatin1String("text")) {
        if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
        // A hidden entry (the module password) reads as shown, so it never reaches an output.
        if (auto* line = qobject_cast<QLineEdit*>(w))
            return line->echoMode() == QLineEdit::Normal ? line->text() : line->displayText();
        if (auto* plain = qobject_cast<QPlainTextEdit*>(w)) return plain->toPlainText();
        if (auto* rich = qobject_cast<QTextEdit*>(w)) return rich->toPlainText();
        if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) return spin->text();
        if (auto* bar = qobject_cast<QProgressBar*>(w)) return bar->text();
        if (combo) return combo->currentText();
        if (group) return group->title();
        return std::nullopt;
    }
    if (property == QLatin1String("checked")) {
        if (auto* button = qobject_cast<QAbstractButton*>(w)) return boolText(button->isChecked());
        if (group) return boolText(group->isChecked());
        return std::nullopt;
    }
    if (property == QLatin1String("currentText")) {
        if (combo) return combo->currentText();
        if (tabs) return tabs->currentIndex() < 0 ? QString() : tabs->tabText(tabs->currentIndex());
        if (list) return list->currentItem() == nullptr ? QString() : list->currentItem()->text();
        return std::nullopt;
    }
    if (property == QLatin1String("currentIndex")) {
        if (combo) return QString::number(combo->currentIndex());
        if (tabs) return QString::number(tabs->currentIndex());
        if (list) return QString::number(list->currentRow());
        if (stack) return QString::number(stack->currentIndex());
        return std::nullopt;
    }
    if (property == QLatin1String("count")) {
        if (combo) return QString::number(combo->count());
        if (tabs) return QString::number(tabs->count());
        if (list) return QString::number(list->count());
        if (stack) return QString::number(stack->count());
        if (menu) {
            int count = 0;
            for (const QAction* item : menu->actions()) count += item->isSeparator() ? 0 : 1;
            return QString::number(count);
        }
        return std::nullopt;
    }
    if (property == QLatin1String("title")) {
        if (group) return group->title();
        if (menu) return menu->title();
        if (w->isWindow()) return w->windowTitle();
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> actionProperty(QAction* a, const QString& property) {
    if (property == QLatin1String("text")) return a->text();
    if (property == QLatin1String("visible")) return boolText(a->isVisible());
    if (property == QLatin1String("enabled")) return boolText(actionEnabled(a));
    if (property == QLatin1String("checked")) return boolText(a->isChecked());
    if (property == QLatin1String("toolTip")) return a->toolTip();
    if (property == QLatin1String("title") && a->menu() != nullptr) return a->menu()->title();
    if (property == QLatin1String("count") && a->menu() != nullptr)
        return widgetProperty(a->menu(), property);
    return std::nullopt;
}

}  // namespace

Outcome readProperty(QObject* control, const QString& name, const QString& property, QString& value) {
    std::optional<QString> read;
    if (auto* widget = qobject_cast<QWidget*>(control))
        read = widgetProperty(widget, property);
    else if (auto* action = qobject_cast<QAction*>(control))
        read = actionProperty(action, property);
    if (!read) {
        return Outcome::error(QStringLiteral("%1 (%2) has no property '%3'")
                                  .arg(name, QLatin1String(control->metaObject()->className()), property));
    }
    value = *read;
    return Outcome::done();
}

bool propertyMatches(const QString& property, const QString& actual, const QString& expected, bool contains) {
    const bool caseless = property == QLatin1String("visible") || property == QLatin1String("enabled") ||
                          property == QLatin1String("checked") || property == QLatin1String("color");
    const Qt::CaseSensitivity cs = caseless ? Qt::CaseInsensitive : Qt::CaseSensitive;
    if (contains) return actual.contains(expected, cs);
    return actual.compare(expected, cs) == 0;
}

QString quotedTail(const QString& text) {
    constexpr qsizetype kQuoted = 300;
    if (text.size() <= kQuoted) return text;
    return QStringLiteral("...") + text.right(kQuoted);
}

}  // namespace dravik::scripting
