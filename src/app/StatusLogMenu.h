#pragma once
// The status log's context menu: the box's own copy and select-all, and "Save log…", which writes
// the whole log as plain text. The file is replaced atomically: a failed save leaves the old file
// as it was and never a half-written one.

#include <QString>
#include <functional>

class QAction;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace dravik {

// Writes text (UTF-8, line ends as logged) to path through a temporary file that replaces path only
// when complete. Returns false with error set when anything fails.
bool saveLogFile(const QString& path, const QString& text, QString* error);

struct StatusLogMenuHooks {
    std::function<QString()> logText;            // the whole log, CR LF line ends
    std::function<QString()> askPath;            // the file to save to; empty when cancelled
    std::function<void(const QString&)> failed;  // tells why a save failed (a box)
    std::function<void(const QString&)> saved;   // the log was written to this file
    std::function<void(const QString&)> log;     // appends a line (with its CR LF) to the status log
};

// The "Save log…" action, owned by box and named saveLogMenuItem, so that a scripted run can
// trigger it like any menu item.
QAction* makeSaveLogAction(QPlainTextEdit* box, StatusLogMenuHooks hooks);

// The menu shown on a right click in box: the box's own entries, then save (caller owns it).
QMenu* makeStatusLogMenu(QPlainTextEdit* box, QAction* save, QWidget* parent);

// Makes the save action and shows the menu on every context-menu request of box.
void installStatusLogMenu(QPlainTextEdit* box, StatusLogMenuHooks hooks);

}  // namespace dravik
