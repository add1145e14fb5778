#pragma once
// What the upgrade shows and asks in the window, and the worker that runs the download.

#include <QString>
#include <functional>

namespace dravik {

class FirmwareView {
  public:
    virtual ~FirmwareView() = default;
    // The read-only file name box and the window title that follows it.
    virtual QString firmwarePath() const = 0;
    virtual void showFirmwarePath(const QString& path) = 0;
    virtual void setUpgradeEnabled(bool enabled) = 0;
    virtual void setFirmwareProgress(int percent) = 0;
    virtual void setAutoConnChecked(bool checked) = 0;
    virtual void selectTab(int index) = 0;
    // Replaces the whole status log with text.
    virtual void replaceLog(const QString& text) = 0;
};

// Runs the download off the window's thread. progress and done run on the window's thread, in the
// order the work reported; done(true, result) after a normal end, done(false, false) when the work
// ended abnormally.
class FirmwareRunner {
  public:
    using Report = std::function<void(int, const QString&)>;
    virtual ~FirmwareRunner() = default;
    virtual bool isBusy() const = 0;
    virtual void start(std::function<bool(const Report&)> work, Report progress,
                       std::function<void(bool completed, bool result)> done) = 0;
};

}  // namespace dravik
