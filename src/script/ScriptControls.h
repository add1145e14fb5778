#pragma once
// How a scripted run finds the window's controls and acts on them as a user would: clicks through
// the button or action, choices through the signals that a user's choice emits, typing through key
// events. A disabled control refuses the action, as it would refuse a user.

#include <QString>
#include <utility>

class QObject;
class QWidget;
class QAction;

namespace dravik::scripting {

// What one action or reading came to: done; a failed expectation (the window is not as the script
// expects: exit status 1); or a script error (the script asks for something that cannot be done:
// exit status 2).
struct Outcome {
    enum class Kind { Done, Failed, Error };
    Kind kind = Kind::Done;
    QString message;

    static Outcome done() { return {}; }
    static Outcome failed(QString text) { return {Kind::Failed, std::move(text)}; }
    static Outcome error(QString text) { return {Kind::Error, std::move(text)}; }
    bool isDone() const { return kind == Kind::Done; }
};

// A caption as the user reads it: single '&' (access-key marks) removed, "&&" kept as one '&', and
// any "\t" + shortcut suffix dropped.
QString plainCaption(const QString& caption);

// Finds a control by object name: the window itself, anything under it (widgets, menus, actions),
// then the other top-level windows (shown ones first). A name with '/' that no object carries is
// taken as a menu path of captions, e.g. "Connection/Power off". Returns nullptr when nothing fits.
QObject* findControl(QWidget* window, const QString& name);

// Whether a user could trigger the action: it and some menu, menu bar or tool bar holding it are
// enabled (an action held by nothing is reachable through its shortcut only, and counts when enabled).
bool actionEnabled(const QAction* action);

Outcome clickControl(QObject* control, const QString& name);
// Picks an entry by index, or by its text when index < 0.
Outcome selectInControl(QObject* control, const QString& name, int index, const QString& text);
// Replaces the content, as a user who selects all and types, one key event per character.
Outcome typeIntoControl(QObject* control, const QString& name, const QString& text);
// Shows the tab page with that caption in any tab widget of the window.
Outcome selectTab(QWidget* window, const QString& caption);

// Gives the whole application a dark palette, as a dark desktop theme does, or the style's own.
void applyTheme(bool dark);

}  // namespace dravik::scripting
