#pragma once
// The module machine: every operation on the module behind the product or on the cable runs here,
// one step per pump cycle. It reaches a slot module directly (the adapter's link switched to the
// module) or a module through the product (its settings in product memory), dispatches the
// answers by command, and at the end of an operation starts the one the chaining flags ask for.
//
// States and answer actions are looked up in two tables; a state or a command without an entry
// ends the operation, so nothing waits for ever.

#include <QComboBox>
#include <QListWidget>
#include <QPointer>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "connection/ConnectionState.h"
#include "connection/ConnectionView.h"
#include "database/ProductDatabase.h"
#include "database/ProductState.h"
#include "link/CommandHandler.h"
#include "link/OperationJournal.h"
#include "link/Views.h"
#include "module/ModuleControls.h"
#include "module/ModulePanel.h"
#include "module/ModuleStatus.h"
#include "module/SlotTables.h"
#include "product/FunctionState.h"

namespace dravik {

class EnterModule {
  public:
    // Receive time-out of a module command, in 100 ms ticks.
    static constexpr std::uint8_t kRxTimeoutTicks = 20;
    // The module needs this long after each link set-up answer, before and after the next entry.
    static constexpr int kPauseAfterSetupMs = 1000;
    // Wrong slot echoes before a slot read gives up.
    static constexpr std::uint8_t kSlotRetries = 3;

    struct Deps {
        HandlerState& hs;
        MachineStates& ms;
        ConnectionState& cs;
        ProductState& prd;
        ModuleState& mod;
        ModuleStatus& st;
        SlotTables& tables;
        FunctionState& fs;
        CommandHandler& handler;
        PumpControl& pump;
        ConnectionView& view;
        LogView& log;
        ProgressView& progress;
        Dialogs& dialogs;
        FatalHandler onDatabaseFatal;
        std::function<QString()> protocolsFolder;
        OperationJournal& journal = noJournal();
    };

    explicit EnterModule(Deps d);
    ~EnterModule();

    // One step of the machine.
    void step();

    // The window's controls; without them a detached set is used.
    void setControls(const ModuleControls& controls);
    const ModuleControls& controls();

    // Operation starters.
    void Read_SELECTION_Protocols_fnc();
    void Read_ALL_Protocol_fnc();
    void SetProtocol_fnc();
    void Write_SELECTION_Protocols_fnc();
    void ResetProtocol_fnc();
    void module_protection();
    void READ_Log_fnc();
    void CLEAR_Log_fnc();

    // Control handlers.
    void button_ReadProtocols_Click();
    void button_SetProtocol_Click();
    void button_Read_All_Protocols_Click();
    void button_Set_Selected_Protocols_Click();
    void button_ResetProtocols_Click();
    void button_lock_unlock_protection_Click();
    void button_read_log_Click();
    void button_reset_log_Click();

    // The module panel from the first count entries of SlotsTable; sets the next state.
    void Fill_Working_VRAK_Protocols(std::uint16_t count, bool load);
    // The checked list and the group list from the first count entries of All_SlotsTable.
    void Fill_All_VRAK_Protocols(std::uint16_t count);

    // Panel and list handlers.
    void comboBox_Protocols_SelectedIndexChanged();
    void comboBox_Parameters_A_SelectedIndexChanged();
    void comboBox_Parameters_B_C_SelectedIndexChanged();
    void ModuleProtSetComboTextColor(bool flag);
    void checkedListBox_ProtocolSelection_ItemCheck(int row, bool checked);
    void listBox_selectDeselect_group_SelectedIndexChanged();
    void checkBox_AllGroup_Click();
    void SelectDeselect_slots(bool select);

    ModulePanel& panel() { return panel_; }
    // A change stopped before its end goes to the journal as not finished (before a report).
    void journalUnfinished() {
        if (pending_) journalEnd(false, QStringLiteral("stopped before its end"));
    }
    bool directRoute() const;

  private:
    using Action = void (EnterModule::*)();
    static const std::array<Action, kModuleStates>& stateTable();
    static const std::array<Action, kLastCommand + 1>& answerTable();

    void startOperation(std::uint8_t operation, bool idleCheck);
    bool userGuard();

    // Frame (EnterModule.cpp).
    void send();
    void waitAnswer();
    void onTimeout();
    void restart() { d_.ms.EnterModule_state = MODULE_START; }
    void request(int cmd);

    // The two routes to the module (EnterModuleRoutes.cpp).
    void start();
    void startDirect();
    void startThroughProduct();
    void onSetupAnswer();

    // The module's current selection, read first by every operation (EnterModuleSelection.cpp).
    void onMemoryRead();
    void infoDone();
    void onSlotConfiguration();
    void onAllSlotConfiguration();

    // The end of an operation and its chain (EnterModuleEnd.cpp).
    void operationEnd();
    // Ends the operation after a failure: the error line and the reason in the status log, the
    // reason in the progress label. What was chained to the operation still runs.
    void fail(const QString& logLine, const QString& progressText);
    void fail(const QString& reason) { fail(reason, reason); }

    // Slot reading and selection writing.
    void readWorking();
    void readAll();
    void checkProtection();
    void writeSelection();
    void onSlotInfo();
    void onAllSlotInfo();
    void onWriteSlots();
    bool slotCountFits(std::uint8_t count, int cmd);
    void nextSlotRequest(int cmd, const QString& progressText, std::uint8_t total);
    void bothProgress(const QString& text, int percent, bool visible = true);
    void sendWriteSlots();

    // Programming and setup.
    void setProtocol();
    void loadFile();
    void unlockFlash();
    void sendLine();
    void setup();
    void indexSetup();
    void decodeSetup();
    void resetSelection();
    void onUnlockFlash();
    void onSendDataSlot();
    void onVerifyFirmware();
    void onSelectionSetup();
    void onTestMode();
    void onAuxModuleSetup();
    void onAuxModuleConfig();
    static bool endsOnTimeout(int cmd);

    // Protection and event log.
    void setProtection();
    void onProtection();
    bool endWithoutLogs();
    void readLogs();
    void clearLogs();
    void sendLogRead();
    void onReadLog();
    void onClearLogs();

    // The journal of the operations that change the module (ModuleOutcome.cpp): begun when such
    // an operation starts, ended once when it is confirmed or fails.
    void journalBegin(std::uint8_t operation);
    void journalEnd(bool ok, const QString& why = QString());
    QString failureWords(const QString& logLine, const QString& progressText) const;

    // Panel helpers.
    void addParameterCombos(bool load);
    void enableModuleButtons(bool on);
    void padlock_handler();
    void wireLists(const ModuleControls& c);
    ProductDatabase database();

    Deps d_;
    ModuleControls controls_;
    std::unique_ptr<DetachedModuleControls> detached_;
    ModulePanel panel_;
    QPointer<QComboBox> parameterA_;
    // The list controls whose signals reach the handlers.
    QPointer<QListWidget> wiredList_;
    std::optional<OperationOutcome> pending_;
    std::uint8_t pendingOperation_ = OP_NONE;
    std::uint8_t protectionBefore_ = 0;
    // The protocol file's image was confirmed by the module's checksum in this operation.
    bool verified_ = false;
    // The last command got no answer in time.
    bool timedOut_ = false;
};

}  // namespace dravik
