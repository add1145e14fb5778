#include "support/ModuleBench.h"

#include <QDir>
#include <QFile>

namespace dravik::test {

bool restModuleBench(ScenarioRig& rig, int ms) {
    return rig.runFor(ms, [&] { return !rig.controller->handler().ProcessIsInProgress(false); });
}

std::unique_ptr<ScenarioRig> connectModuleBench(const char* benchFile, std::string& error) {
    auto bench = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + benchFile, error);
    if (!bench) return nullptr;
    auto rig = std::make_unique<ScenarioRig>(*bench, false);
    if (!rig->installSampleDatabase()) {
        error = "the sample database could not be installed";
        return nullptr;
    }
    const QDir source(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols"));
    const QDir target(QDir(rig->dataDir.path()).filePath(QStringLiteral("protocols")));
    QDir().mkpath(target.path());
    for (const QString& name : source.entryList(QDir::Files)) {
        if (!QFile::copy(source.filePath(name), target.filePath(name))) {
            error = "cannot copy the sample protocol " + name.toStdString();
            return nullptr;
        }
    }
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

}  // namespace dravik::test
