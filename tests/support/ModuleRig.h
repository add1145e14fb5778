#pragma once
// The module machine alone on virtual time: the real handler and pump, a library whose device
// answers each request through a callback, the sample product database, and detached controls.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

#include "link/InterfaceLibrary.h"
#include "module/EnterModule.h"
#include "support/FakeConnectionView.h"
#include "support/FakeLibrary.h"
#include "support/RecordingViews.h"
#include "support/VirtualRig.h"

namespace dravik::test {

// Answers a request with the data bytes the device sends back, or stays silent (nullopt).
using DeviceAnswer = std::function<std::optional<std::vector<std::uint8_t>>(const dataBuffer& request)>;

class RespondingLibrary : public FakeLibrary {
  public:
    using FakeLibrary::FakeLibrary;
    DeviceAnswer device;
    std::int64_t answerDelayUs = 3000;
    std::vector<std::int64_t> sentAtUs;
    void USB_TX(dataBuffer report) override {
        FakeLibrary::USB_TX(report);
        sentAtUs.push_back(clock_.nowUs());
        if (!device) return;
        const auto data = device(report);
        if (!data) return;
        queue.push_back({clock_.nowUs() + answerDelayUs,
                         libframe::makeFrame(report[kDest], report[kCode], data->data(), static_cast<int>(data->size()))});
    }
};

struct ModuleRig {
    RigClock clock;
    VirtualScheduler scheduler{clock};
    RespondingLibrary lib{clock};
    HandlerState hs;
    MachineStates ms;
    RecordingLog log;
    RecordingDialogs dialogs;
    RecordingProgress progress;
    CommandHandler handler{hs, ms, lib, dialogs, progress};
    VirtualPump pump{clock, handler, log};
    VirtualTimer& timer1 = scheduler.addTimer(100, false, true, [this] { handler.tick100ms(); });
    ConnectionState cs;
    ProductState prd;
    ModuleState mod;
    ModuleStatus st;
    std::unique_ptr<SlotTables> tables = std::make_unique<SlotTables>();
    FunctionState fs;
    FakeConnectionView view;
    QTemporaryDir dataDir;
    QStringList fatals;
    std::unique_ptr<EnterModule> module;

    ModuleRig() {
        ms.EnterFunctions_state = kEnterFunctionsWaiting;
        ms.EnterModule_state = MODULE_STOPPED;
        scheduler.setPump(&pump);
        timer1.start();
        const QString db = QDir(dataDir.path()).filePath(QString::fromLatin1(kProductDatabaseFileName));
        QFile::copy(QStringLiteral(DRAVIK_SAMPLE_DATABASE), db);
        cs.Main_directory = dataDir.path();
        cs.Language_type = LANGUAGE_ENGLISH;
        prd.Prd_connected = 1;
        prd.Prd_Module = 1;
        mod.Mod_connected = 1;
        module = std::make_unique<EnterModule>(EnterModule::Deps{
            hs, ms, cs, prd, mod, st, *tables, fs, handler, pump, view, log, progress, dialogs,
            [this](const QString& m) { fatals << m; }, [this] { return protocolsFolder(); }});
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

    bool rest(int ms = 60000) {
        return scheduler.runFor(ms, [&] { return !handler.ProcessIsInProgress(false) && !pump.isBusy(); });
    }

};

}  // namespace dravik::test
