#pragma once
// The file dialogs, as a narrow view: answered by the user in the app, by a script in scripted
// runs (choose-file) and by the test in tests.

#include <QString>

namespace dravik {

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString caption;
    QString fileName;       // proposed name; empty for none
    QString defaultSuffix;  // added to a name typed without one (save)
    QString filter;         // "bkd files (*.bkd)"
    QString startFolder;    // empty: the dialog's own default
};

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // The chosen file's full path, or an empty text when the dialog was cancelled. The process's
    // current folder is the same after the dialog as before.
    virtual QString chooseFile(const FileDialogRequest& request) = 0;
};

}  // namespace dravik
