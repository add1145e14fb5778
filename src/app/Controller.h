#pragma once
// The device logic of the window without its widgets: the handler, the pump, the machines and
// the timer ticks. The window and the test rigs own one each and supply the views, the pump
// driver, the counting worker and the watchdog timer.

#include <functional>
#include <memory>

#include "app/Session.h"
#include "app/SessionReport.h"
#include "connection/AsyncRunner.h"
#include "connection/AutoConnection.h"
#include "connection/ConnectionView.h"
#include "connection/InterfaceConnection.h"
#include "connection/ProductConnection.h"
#include "link/CommandHandler.h"
#include "link/InterfaceLibrary.h"
#include "link/OneShotTimer.h"
#include "link/Pump.h"
#include "link/Views.h"
#include "module/EnterModule.h"
#include "product/EnterFunctions.h"
#include "product/FunctionState.h"
#include "product/PanelOperations.h"

namespace dravik {

class Clock;

struct ControllerDeps {
    Clock& clock;
    InterfaceLibrary& lib;
    LogView& log;
    Dialogs& dialogs;
    ProgressView& progress;
    ConnectionView& view;
    AsyncRunner& counter;
    OneShotTimer& timerHandler;
    std::function<std::unique_ptr<Pump>(Clock&, CommandHandler&, LogView&)> makePump;
    std::function<bool()> autoConnChecked;
    std::function<int()> prepareDataFolders;
    std::function<QString()> currentFolder;
    // The product database cannot be opened or queried: ends the program.
    FatalHandler onDatabaseFatal;
    // The folder of the protocol files (the data folder's "protocols").
    std::function<QString()> protocolsFolder;
};

class Controller {
public:
    explicit Controller(ControllerDeps deps);

    // Start-up once the window exists: notifications and the first count.
    void start();
    void timer1Tick();
    void timerAutoConnTick();
    void timerHandlerFired();

    Session& session() { return s_; }
    CommandHandler& handler() { return handler_; }
    Pump& pump() { return *pump_; }
    InterfaceConnection& iface() { return iface_; }
    AutoConnection& autoConn() { return autoConn_; }
    ProductConnection& product() { return product_; }
    // The product function machine (its panel container, buttons view and module hooks are set
    // by the window) and the panel operations the window's controls call.
    EnterFunctions& functions() { return functions_; }
    PanelOperations& panelOperations() { return panelOps_; }
    FunctionState& functionState() { return functionState_; }
    // The module machine (its controls are set by the window).
    EnterModule& module() { return module_; }
    // The record of the vehicle session: the machines report their outcomes to it.
    SessionReport& report() { return report_; }
    // The report as it stands, with the panels as they show now. Asked only while no operation
    // runs: a change left half-way (stopped, unplugged) is recorded first as not finished.
    ReportContent reportContent(const QString& program);
    // Times the tick found the pump resting while a machine waited for it (a starter that woke
    // the pump before starting its machine). Stays 0 when every start goes through the one place.
    int strandedWakeups() const { return strandedWakeups_; }

private:
    // Steps 1-3 of a pump cycle: run the machine that is current.
    bool dispatch();
    void databaseFatal(const QString& message);

    ControllerDeps d_;
    Session s_;
    SessionReport report_;
    CommandHandler handler_;
    std::unique_ptr<Pump> pump_;
    InterfaceConnection iface_;
    AutoConnection autoConn_;
    ProductConnection product_;
    FunctionState functionState_;
    EnterFunctions functions_;
    PanelOperations panelOps_;
    EnterModule module_;
    int strandedWakeups_ = 0;
};

}  // namespace dravik
