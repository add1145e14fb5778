#pragma once
// The scenario rig with the firmware upgrade wired in as the window wires it: a recording firmware
// view, a download worker that runs on virtual time, the 1000 ms boot-mode pause and the wait for
// the loader as virtual timers, and the bench's bus polled for restarts.

#include <QDir>

#include "firmware/FirmwareUpgrade.h"
#include "support/ScenarioRig.h"

namespace dravik::test {

inline QString sampleFirmware(const char* name) {
    return QDir(QStringLiteral(DRAVIK_SOURCE_DIR "/data/firmware")).filePath(QString::fromLatin1(name));
}

class RecordingFirmwareView : public FirmwareView, public FileDialogs {
  public:
    QString chooseFile(const FileDialogRequest& request) override {
        dialogFolder = request.startFolder;
        dialogFilter = request.filter;
        return chosen.value_or(QString());
    }
    QString firmwarePath() const override { return path; }
    void showFirmwarePath(const QString& p) override {
        path = p;
        title = QStringLiteral("Dravik  ") + p;
    }
    void setUpgradeEnabled(bool e) override { upgradeEnabled = e; }
    void setFirmwareProgress(int p) override { progress.push_back(p); }
    void setAutoConnChecked(bool c) override { autoConn = c; }
    void selectTab(int i) override { tab = i; }
    void replaceLog(const QString& text) override {
        log->clear();
        log->appendLog(text);
    }

    RecordingLog* log = nullptr;
    std::optional<QString> chosen;
    QString dialogFolder, dialogFilter, path, title;
    bool upgradeEnabled = true;
    bool autoConn = true;
    int tab = 0;
    std::vector<int> progress;
};

// The worker's job runs as one virtual event; its sleeps move virtual time on and let the
// worker-time timers (the 100 ms tick, the bus poll) run meanwhile, as the window would.
class VirtualFirmwareRunner : public FirmwareRunner {
  public:
    explicit VirtualFirmwareRunner(VirtualScheduler& s) {
        timer_ = &s.addTimer(0, true, false, [this] {
            const bool result = work_([this](int p, const QString& t) { progress_(p, t); });
            busy_ = false;
            ++runs;
            done_(true, result);
        });
    }
    bool isBusy() const override { return busy_; }
    void start(std::function<bool(const Report&)> work, Report progress,
               std::function<void(bool, bool)> done) override {
        busy_ = true;
        work_ = std::move(work);
        progress_ = std::move(progress);
        done_ = std::move(done);
        timer_->start(1);
    }
    int runs = 0;

  private:
    bool busy_ = false;
    std::function<bool(const Report&)> work_;
    Report progress_;
    std::function<void(bool, bool)> done_;
    VirtualTimer* timer_;
};

struct FirmwareRig : ScenarioRig {
    explicit FirmwareRig(sim::BenchConfig bench = {}, FirmwareResources res = loadFirmwareResources(),
                         const LibraryLayer& layer = {})
        : ScenarioRig(std::move(bench), true, layer) {
        fwView.log = &logView;
        bootPause = &scheduler.addTimer(1000, true, false, [this] { firmware->bootPauseElapsed(); });
        loaderWait = &scheduler.addTimer(FirmwareUpgrade::kLoaderWaitMs, true, false,
                                         [this] { firmware->loaderWaitElapsed(); });
        ConnectionState& cs = s().connection;
        FirmwareUpgrade::Deps deps{{cs.myVID, cs.myPID, cs.myDeviceIndex, cs.WorkingMode,
                                    cs.numberOfUSBDevicesConnected, cs.Interface_connected},
                                   *device,
                                   controller->handler(),
                                   clock,
                                   logView,
                                   dialogs,
                                   fwView,
                                   fwView,
                                   worker,
                                   *bootPause,
                                   *loaderWait,
                                   [this] { controller->handler().StopProcess(); },
                                   [this] { controller->autoConn().AutoConnStat = AUTOCONN_INIT; },
                                   [this] { controller->iface().countIfPending(); },
                                   [this] { return dataDir.filePath(QStringLiteral("Firmware")); },
                                   std::move(res),
                                   journal};
        firmware = std::make_unique<FirmwareUpgrade>(std::move(deps));
        firmware->InitializeVidPidFirmware();
        controller->iface().setFirmwareHooks([this] { return firmware->busy(); },
                                             [this] { firmware->bootModeFound(); },
                                             [this] { firmware->standardModeFound(); });
        scheduler.addTimer(20, false, true, [this] { lib->pollBus(); }).start();
    }

    void choose(const char* sample) { fwView.path = sampleFirmware(sample); }
    int messages(const QString& text) const {
        int n = 0;
        for (const ShownMessage& m : dialogs.shown) n += m.text == text ? 1 : 0;
        return n;
    }
    template <typename F>
    auto bench(F f) {
        decltype(f(std::declval<sim::Bench&>())) out{};
        lib->withBench([&](sim::Bench& b) { out = f(b); });
        return out;
    }

    RecordingFirmwareView fwView;
    VirtualFirmwareRunner worker{scheduler};
    VirtualTimer* bootPause = nullptr;
    VirtualTimer* loaderWait = nullptr;
    RecordingJournal journal;
    std::unique_ptr<FirmwareUpgrade> firmware;
};

}  // namespace dravik::test
