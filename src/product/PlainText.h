#pragma once
// Texts from outside the program (the database, files, recordings, the device) are shown as they
// are. A label never takes them for markup, and the characters that would make a name read as
// something else (control characters, and the marks that embed, override or isolate a direction of
// writing) are shown as visible codes. Every label of the window and of the panels is made here,
// and every outside text reaches a label through showPlainText. The panels are the first room
// with widgets, so the window uses this too.

#include <QString>

class QLabel;
class QWidget;

namespace dravik {

// A new label that shows its text as plain text.
QLabel* newPlainLabel(QWidget* parent, const QString& text = QString());

// Shows an outside text in a label: as plain text, with visibleControls applied.
void showPlainText(QLabel* label, const QString& text);

// The text with every control character other than tab, carriage return and line feed, and every directional
// embedding, override or isolate mark, replaced by its code in brackets ("[U+202E]"). White space
// is left as it is.
QString visibleControls(const QString& text);

// A button or menu caption showing the text as it is: visibleControls applied, and "&" doubled so
// that it is not taken for a shortcut mark.
QString buttonCaption(const QString& text);

// A tool tip showing the text as it is: a tool tip takes a text that looks like markup for markup.
QString plainToolTip(const QString& text);

}  // namespace dravik
