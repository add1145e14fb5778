#include "support/ModuleBench.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

namespace dravik::test {

bool restModuleBench(ScenarioRig& rig, int ms) {
    return rig.runFor(ms, [&] { return !rig.controller->handler().ProcessIsInProgress(false); });
}

bool installSampleData(ScenarioRig& rig, std::string& error) {
    if (!rig.installSampleDatabase()) {
        error = "the sample database could not be installed";
        return false;
    }
    const QDir source(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols"));
    const QDir target(QDir(rig.dataDir.path()).filePath(QStringLiteral("protocols")));
    QDir().mkpath(target.path());
    for (const QString& name : source.entryList(QDir::Files)) {
        if (!QFile::copy(source.filePath(name), target.filePath(name))) {
            error = "cannot copy the sample protocol " + name.toStdString();
            return false;
        }
    }
    return true;
}

std::unique_ptr<ScenarioRig> connectModuleBench(const char* benchFile, std::string& error) {
    auto bench = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + benchFile, error);
    return bench ? connectModuleBench(*bench, error) : nullptr;
}

std::unique_ptr<ScenarioRig> connectModuleBench(const sim::BenchConfig& bench, std::string& error) {
    auto rig = std::make_unique<ScenarioRig>(bench, false);
    if (!installSampleData(*rig, error)) return nullptr;
    rig->runFor(50);
    rig->controller->iface().Restart();
    if (!rig->runFor(500, [&] { return rig->s().connection.Interface_connected; }) || !restModuleBench(*rig)) {
        error = "the adapter was not connected";
        return nullptr;
    }
    rig->controller->autoConn().RebootConnectProduct();
    if (!restModuleBench(*rig)) {
        error = "the product and its module were not identified";
        return nullptr;
    }
    return rig;
}

bool chooseProtocol(EnterModule& module, const QString& text) {
    QComboBox* protocols = module.panel().combo(0);
    const int item = protocols != nullptr ? protocols->findText(text, Qt::MatchContains) : -1;
    if (item < 0) return false;
    protocols->setCurrentIndex(item);
    return true;
}

int framesWithCode(ScenarioRig& rig, std::size_t from, std::uint8_t code) {
    const auto frames = rig.frames();
    int n = 0;
    for (std::size_t i = from; i < frames.size(); ++i) n += frames[i].frame.size() > 4 && frames[i].frame[4] == code;
    return n;
}

}  // namespace dravik::test
