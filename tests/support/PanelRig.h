#pragma once
// The scenario rig on the standard bench with the sample database, connected to product 37 and its
// panel read; with what a user does to the panel and what the bench saw since a mark.

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <memory>

#include "support/ScenarioRig.h"

namespace dravik::test {

// Rows of the sample product 37, in screen order.
enum PanelRow { kRowSiren, kRowMode, kRowDelay, kRowCode, kRowSerial, kRowDuration, kRowClear, kRowLocking };

sim::BenchConfig standardBenchConfig();

struct PanelRig {
    std::unique_ptr<ScenarioRig> rig;
    QWidget container;
    std::size_t framesBefore = 0;

    // Connects and reads the panel; with the automatic connection, until its checks run. A
    // database change, when given, is made to the sample database before the product is found.
    bool connect(bool autoConn, sim::BenchConfig bench = standardBenchConfig(), const char* databaseChange = nullptr);

    Session& s() { return rig->s(); }
    VirtualPump& pump() { return static_cast<VirtualPump&>(rig->controller->pump()); }
    PanelOperations& ops() { return rig->controller->panelOperations(); }
    ProductPanel& panel() { return rig->controller->functions().panel(); }
    bool resting() { return !rig->controller->handler().ProcessIsInProgress(false); }
    bool rest(int ms = 60000) { return rig->rest(ms); }
    void faults(const std::function<void(sim::Faults&)>& f) {
        rig->lib->withBench([&](sim::Bench& b) { f(b.config().faults); });
    }
    std::uint8_t memory(int address);

    // What the user does.
    void choose(int row, int item);
    // Chooses another item than the one shown.
    void chooseOther(int row);
    void type(int row, const QString& text) { panel().row(row).text->setText(text); }
    QColor listColour(int row) { return panel().listColour(row); }
    QColor textColour(int row) { return panel().textColour(row); }

    void mark() { framesBefore = rig->frames().size(); }
    // Frames to dest with this command code since the mark.
    int framesWithCode(std::uint8_t dest, std::uint8_t code);
};

}  // namespace dravik::test
