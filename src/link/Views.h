#pragma once
// Narrow views through which the device logic reaches the screen. The window implements them;
// scripted runs and tests replace them.

#include <QString>

namespace dravik {

// Every status-log line ends in CR LF.
inline const QString kCrLf = QStringLiteral("\r\n");

class LogView {
public:
    virtual ~LogView() = default;
    // Appends raw text to the status log; lines end in "\r\n" where the caller says so.
    virtual void appendLog(const QString& text) = 0;
};

class Dialogs {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Icon { Warning, Error, Information };
    enum Answer { Ok = 1, Cancel = 2 };
    virtual ~Dialogs() = default;
    virtual Answer message(const QString& text, const QString& caption, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::Warning) = 0;
};

// The progress label and bar under the product and module groups.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void setProgressText(const QString& text, bool visible) = 0;
    virtual void setProgressValue(int percent) = 0;
};

}  // namespace dravik
