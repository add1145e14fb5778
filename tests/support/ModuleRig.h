#pragma once
// The module machine alone on virtual time: the real handler and pump, a library whose device
// model answers each request, the sample product database, and detached controls.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "module/EnterModule.h"
#include "support/FakeConnectionView.h"
#include "support/LinkRig.h"

namespace dravik::test {

struct ModuleRig : LinkRig {
    ConnectionState cs;
    ProductState prd;
    ModuleState mod;
    ModuleStatus st;
    std::unique_ptr<SlotTables> tables = std::make_unique<SlotTables>();
    FunctionState fs;
    FakeConnectionView view;
    QTemporaryDir dataDir;
    QStringList fatals;
    RecordingJournal journal;
    std::unique_ptr<EnterModule> module;

    ModuleRig() {
        ms.EnterModule_state = MODULE_STOPPED;
        const QString db = QDir(dataDir.path()).filePath(QString::fromLatin1(kProductDatabaseFileName));
        QFile::copy(QStringLiteral(DRAVIK_SAMPLE_DATABASE), db);
        cs.Main_directory = dataDir.path();
        cs.Language_type = LANGUAGE_ENGLISH;
        prd.Prd_connected = 1;
        prd.Prd_Module = 1;
        mod.Mod_connected = 1;
        module = std::make_unique<EnterModule>(EnterModule::Deps{
            hs, ms, cs, prd, mod, st, *tables, fs, handler, pump, view, log, progress, dialogs,
            [this](const QString& m) { fatals << m; }, [this] { return protocolsFolder(); }, journal});
        pump.setDispatch([this] {
            module->step();
            return true;
        });
    }

    QString protocolsFolder() const { return QDir(dataDir.path()).filePath(QStringLiteral("protocols")); }

    // A slot module of the type, wired directly and described so in the product and module records.
    void directModule(std::uint8_t type, std::uint8_t speed = 3) {
        prd.Prd_Module_DirectConnection = 1;
        mod.Mdl_DirectConnection = 1;
        hs.Cable_Module_DirectConnection = 1;
        mod.Mod_SoftwareType = type;
        mod.Mod_SoftwareVersion = 1;
        mod.Mod_Speed = speed;
        mod.Mod_index = type == kModuleA1 ? 1 : 2;
        mod.Mod_Name = type == kModuleA1 ? QStringLiteral("VRAK-1") : QStringLiteral("VRAK-2");
    }

    bool rest(int limitMs = 60000) {
        return scheduler.runFor(limitMs,
                                [&] { return !handler.ProcessIsInProgress(false) && !pump.isBusy(); });
    }
};

}  // namespace dravik::test
