#include "support/PanelRig.h"

namespace dravik::test {

sim::BenchConfig standardBenchConfig() {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    return bench ? *bench : sim::BenchConfig{};
}

bool PanelRig::connect(bool autoConn, sim::BenchConfig bench, const char* databaseChange) {
    rig = std::make_unique<ScenarioRig>(std::move(bench), autoConn);
    if (!rig->installSampleDatabase()) return false;
    if (databaseChange != nullptr && !rig->changeDatabase(databaseChange)) return false;
    rig->controller->functions().setContainer(&container);
    bool ok = false;
    if (autoConn) {
        ok = rig->runFor(30000, [&] {
            return rig->log().contains("AutoConn: Identification") && panel().rowCount() > 0 && resting();
        });
    } else {
        ok = rig->connectProduct() && panel().rowCount() > 0;
    }
    mark();
    return ok;
}

std::uint8_t PanelRig::memory(int address) {
    std::uint8_t v = 0;
    rig->lib->withBench([&](sim::Bench& b) { v = b.productMemory()[static_cast<std::size_t>(address & 0xFF)]; });
    return v;
}

void PanelRig::choose(int row, int item) {
    QComboBox* c = panel().row(row).combo;
    c->setCurrentIndex(item);
    emit c->activated(item);
}

void PanelRig::chooseOther(int row) { choose(row, panel().row(row).combo->currentIndex() == 0 ? 1 : 0); }

int PanelRig::framesWithCode(std::uint8_t dest, std::uint8_t code) {
    const auto frames = rig->frames();
    int n = 0;
    for (std::size_t i = framesBefore; i < frames.size(); ++i)
        if (frames[i].frame.size() > 5 && frames[i].frame[1] == dest && frames[i].frame[4] == code) ++n;
    return n;
}

}  // namespace dravik::test
