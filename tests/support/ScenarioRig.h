#pragma once
// The whole device logic (controller, machines, handler, pump) against the simulated bench on
// virtual time, with recording views. Drives the real pump order and the real timers' periods.

#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "app/Controller.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "support/FakeConnectionView.h"
#include "support/RecordingViews.h"
#include "support/VirtualRig.h"

namespace dravik::test {

class VirtualAsyncRunner : public AsyncRunner {
public:
    explicit VirtualAsyncRunner(VirtualScheduler& s);
    bool isBusy() const override { return busy_; }
    void start(std::function<int()> work, std::function<void(int)> done, int delayMs) override;
    int runs = 0;

private:
    bool busy_ = false;
    std::function<int()> work_;
    std::function<void(int)> done_;
    VirtualTimer* timer_;
};

struct ScenarioRig {
    // The library the controller talks to, given the bench's: a test may put a layer between them.
    using LibraryLayer = std::function<InterfaceLibrary&(SimulatedInterfaceLibrary&, Clock&)>;

    explicit ScenarioRig(sim::BenchConfig bench = {}, bool autoConn = true, const LibraryLayer& layer = {});

    // Runs virtual time for ms, or until pred holds.
    bool runFor(int ms, const std::function<bool()>& pred = {}) { return scheduler.runFor(ms, pred); }
    void plug(bool on) { lib->setPlugged(on); }
    QString log() const { return logView.text(); }
    std::vector<sim::ReceivedFrame> frames();
    // Copies the sample product database (built from data/products.sql) into the data folder.
    bool installSampleDatabase();
    // Runs SQL on the installed database (a test's hostile change); false when it fails.
    bool changeDatabase(const char* sql);
    Session& s() { return controller->session(); }
    // Runs until no process is in progress, at most ms.
    bool rest(int ms = 60000);
    // Connects the adapter, then powers and identifies the product by hand (the functions machine
    // builds and reads its panel), and rests.
    bool connectProduct();

    RigClock clock;
    VirtualScheduler scheduler{clock};
    std::unique_ptr<SimulatedInterfaceLibrary> lib;
    InterfaceLibrary* device = nullptr;  // what the controller talks to: lib, or the layer over it
    RecordingLog logView;
    RecordingDialogs dialogs;
    RecordingProgress progress;
    FakeConnectionView view;
    VirtualAsyncRunner counter{scheduler};
    VirtualTimer* timerHandler = nullptr;
    bool autoConnChecked = true;
    int languageRead = 1;
    QTemporaryDir dataDir;
    QStringList databaseFatals;  // what the product database's fatal handler was told
    std::unique_ptr<Controller> controller;
};

}  // namespace dravik::test
