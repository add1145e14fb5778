#include "support/BackupRig.h"

namespace dravik::test {

bool BackupRig::connect(const char* benchFile, std::string& error) {
    rig = connectModuleBench(benchFile, error);
    if (!rig) return false;
    Session& session = rig->s();
    view = std::make_unique<FakeConfigView>(panel(), container);
    port = std::make_unique<ModuleConfigAdapter>(module(), session.moduleStatus, session.machines);
    cfg = std::make_unique<ConfigurationFile>(ConfigurationFile::Deps{
        session.product, session.module, panel(), ops(), rig->logView, rig->progress, rig->dialogs, files, *view,
        [this] { return rig->dataDir.path(); }, [this] { return rig->controller->handler().panelOperationRunning(); }});
    cfg->setModulePort(port.get());
    ops().reloadConfiguration = [this] { return cfg->reloadCurrent(); };
    return true;
}

}  // namespace dravik::test
