#include "app/Controller.h"

namespace dravik {

Controller::Controller(ControllerDeps deps)
    : d_(std::move(deps)),
      report_({s_.connection, s_.product, s_.module, s_.moduleStatus,
               [this]() -> ProductPanel& { return functions_.panel(); }}),
      handler_(s_.link, s_.machines, d_.lib, d_.dialogs, d_.progress),
      pump_(d_.makePump(d_.clock, handler_, d_.log)),
      iface_({s_.link, s_.machines, s_.connection, s_.product, s_.module, handler_, d_.lib, d_.view, d_.log,
              d_.progress, d_.counter, d_.prepareDataFolders, nullptr, d_.currentFolder}),
      autoConn_({s_.link, s_.machines, s_.connection, s_.product, handler_, iface_, d_.timerHandler, d_.log,
                 d_.progress, d_.autoConnChecked}),
      product_({s_.link, s_.machines, s_.connection, s_.product, s_.module, handler_, *pump_, iface_, d_.view, d_.log,
                 d_.progress, [this](const QString& m) { databaseFatal(m); }, d_.dialogs, report_}),
      functions_({s_.link, s_.machines, s_.connection, s_.product, s_.module, functionState_, handler_, *pump_, iface_,
                  d_.view, d_.log, d_.progress, d_.dialogs, [this](const QString& m) { databaseFatal(m); }, report_}),
      panelOps_({s_.link, s_.machines, s_.connection, s_.product, s_.module, functionState_, handler_, functions_, d_.log,
                 d_.progress, d_.dialogs}),
      module_({s_.link, s_.machines, s_.connection, s_.product, s_.module, s_.moduleStatus, s_.slotTables, functionState_,
               handler_, *pump_, d_.view, d_.log, d_.progress, d_.dialogs, [this](const QString& m) { databaseFatal(m); },
               d_.protocolsFolder, report_}) {
    pump_->setDispatch([this] { return dispatch(); });
    functions_.moduleHooks() = {[this] { module_.Write_SELECTION_Protocols_fnc(); },
                                [this] { module_.SetProtocol_fnc(); }, [this] { module_.Read_ALL_Protocol_fnc(); },
                                [this] { module_.Read_SELECTION_Protocols_fnc(); }};
    iface_.onDeviceCount = [this](int count) { autoConn_.onDeviceCount(count); };
    s_.link.CmdHandler_state = HANDLER_READY;
}

void Controller::start() { iface_.registerAndCount(); }

ReportContent Controller::reportContent(const QString& program) {
    functions_.journalUnfinished();
    module_.journalUnfinished();
    return report_.content(functions_.panel(), module_.panel(), program);
}

void Controller::timer1Tick() {
    handler_.tick100ms();
    iface_.testPageReconnect();
    // The pump never rests while a machine waits for its next step.
    if (s_.connection.WorkingMode == 1 && !handler_.halted() && !pump_->isBusy() && handler_.machineAwaitsPump()) {
        ++strandedWakeups_;
        pump_->wakeup();
    }
}

void Controller::timerAutoConnTick() { autoConn_.AutoConnManager(); }

void Controller::timerHandlerFired() {
    d_.timerHandler.stop();
    handler_.watchdogFired();
}

// The program ends after a database failure; until it has, nothing more goes to the devices.
void Controller::databaseFatal(const QString& message) {
    handler_.halt();
    if (d_.onDatabaseFatal) d_.onDatabaseFatal(message);
}

bool Controller::dispatch() {
    const ConnectionState& cs = s_.connection;
    if (cs.WorkingMode != 1 || handler_.halted()) return false;
    if (!cs.Interface_connected) {
        iface_.EnterInterface();
    } else if (cs.Device_connection_request) {
        const ProductState& p = s_.product;
        const ModuleState& m = s_.module;
        if (p.Prd_connected != 0 && (m.Mod_connected != 0 || p.Prd_Module != 1 || m.Mod_timeout == 1)) {
            if (cs.Working_parameters == 2 && p.Prd_Module == 1) {
                module_.step();
            } else if (cs.Working_parameters == 1) {
                functions_.step();
            }
        } else {
            product_.EnterProduct();
        }
    }
    return true;
}

}  // namespace dravik
