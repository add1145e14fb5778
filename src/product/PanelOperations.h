#pragma once
// What the user does with the product panel: read, set, write one function, default settings,
// read-all and set-all of product and module, configuration download, the change colouring and
// the input check of the text boxes. The operations only set the machine's starting conditions;
// the pump does the work.

#include <functional>

#include "connection/ConnectionState.h"
#include "link/CommandHandler.h"
#include "link/Views.h"
#include "product/EnterFunctions.h"
#include "product/FunctionState.h"
#include "database/ProductState.h"

namespace dravik {

class PanelOperations {
  public:
    struct Deps {
        HandlerState& hs;
        MachineStates& ms;
        ConnectionState& cs;
        ProductState& prd;
        ModuleState& mod;
        FunctionState& fs;
        CommandHandler& handler;
        EnterFunctions& functions;
        LogView& log;
        ProgressView& progress;
        Dialogs& dialogs;
    };

    explicit PanelOperations(Deps d);

    // Loads the current configuration file again into the panel and the module lists; false when
    // it could not be loaded (then nothing is written). Empty until the file part exists.
    std::function<bool()> reloadConfiguration;

    // Control handlers.
    void button_ReadParameters_Click();
    void button_SetParameters_Click();
    void buttonReadAll_Click();
    void buttonSetAll_Click();
    void buttonCfgDownload_Click();
    // Menu item "Default settings".
    void defaultSettings_Click() { DefaultParameters_fnc(); }

    // Replaces a running automatic command, or refuses when the handler is busy; then shows the
    // progress text. Returns whether the operation may go on.
    bool guardedStart(const QString& progressText);

    bool ReadParameters_fnc();
    // Whether the operation started.
    bool SetParameters_fnc();
    // The button of the 0-based row.
    void FunctionButton_Click(int row);
    void DefaultParameters_fnc();
    void ReadAll();
    void SetAll();

    // Red where a list's selection differs from what was last read from the product.
    void CheckForChanges();
    // Input check of the 0-based row's text box.
    void ProductTextBox_Changed(int row);

  private:
    bool handlerIdle();
    bool takeOverIdleHandler();
    bool moduleOperationHalfWay();
    // Shown in the log and the progress label.
    void refuse(const QString& text);
    // The steps chained after the running functions operation.
    struct ChainedSteps {
        std::uint8_t parameters;
        std::uint8_t selectedProtocol;
        std::uint8_t checkedProtocol;
    };
    ChainedSteps chainedSteps() const;
    bool productReachable() const;
    void dropChainedSteps();
    void restoreChainedSteps(const ChainedSteps& previous);
    bool startMachine(std::uint8_t operation);

    Deps d_;
};

}  // namespace dravik
