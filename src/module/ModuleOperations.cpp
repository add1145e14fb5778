// The module operations as the user and the operation chain start them.

#include "connection/AutoConnection.h"
#include "module/EnterModule.h"

namespace dravik {

namespace {
const QString kWaitPrevious = QStringLiteral("Wait until the previous command is completed!\r\n");
}  // namespace

// Every module operation starts here, through the handler's one start place. An operation on a
// module that was not identified would never be stepped: it is not started and the machine rests.
// The operation that chained it (the first read after a connection shows "Waiting...") has ended.
void EnterModule::startOperation(std::uint8_t operation, bool idleCheck) {
    if (idleCheck && d_.handler.WatchBus(0, true) != RESULT_IDLE) {
        d_.log.appendLog(kWaitPrevious);
        return;
    }
    if (d_.mod.Mod_connected != 1) {
        d_.ms.EnterModule_state = MODULE_STOPPED;
        d_.log.appendLog(QStringLiteral("No module identified: the module operation is not started") + kCrLf);
        d_.progress.setProgressText(QStringLiteral("Process terminated"), true);
        return;
    }
    d_.handler.startOperation([&] {
        journalBegin(operation);
        d_.st.Mdl_OperationToDo = operation;
        d_.ms.EnterModule_state = MODULE_START;
        d_.cs.Working_parameters = 2;
    });
}

void EnterModule::Read_SELECTION_Protocols_fnc() { startOperation(OP_READ_SELECTION, false); }
void EnterModule::Read_ALL_Protocol_fnc() { startOperation(OP_READ_ALL, false); }
void EnterModule::SetProtocol_fnc() { startOperation(OP_SET_PROTOCOL, true); }
void EnterModule::Write_SELECTION_Protocols_fnc() { startOperation(OP_WRITE_SELECTION, true); }
void EnterModule::ResetProtocol_fnc() { startOperation(OP_RESET_SELECTION, true); }
void EnterModule::module_protection() { startOperation(OP_PROTECTION, true); }
void EnterModule::READ_Log_fnc() { startOperation(OP_READ_LOGS, true); }
void EnterModule::CLEAR_Log_fnc() { startOperation(OP_CLEAR_LOGS, true); }

// A product operation half-way (its handler idle in a pause) keeps the pump: the module operation
// waits, or the product's would be left frozen.
bool EnterModule::userGuard() {
    if (!takeOverForUserOperation(d_.cs, d_.handler)) return false;
    if (!otherOperationHalfWay(d_.cs, d_.ms, 2)) return true;
    d_.log.appendLog(kWaitPrevious);
    return false;
}

// The menu item has no guard of its own beyond the handler's idle test; it still waits for a
// product operation half-way.
void EnterModule::button_ResetProtocols_Click() {
    if (otherOperationHalfWay(d_.cs, d_.ms, 2)) {
        d_.log.appendLog(kWaitPrevious);
        return;
    }
    ResetProtocol_fnc();
}

void EnterModule::button_ReadProtocols_Click() {
    if (!userGuard()) return;
    d_.progress.setProgressText(QStringLiteral("Reading protocols..."), true);
    Read_SELECTION_Protocols_fnc();
}

void EnterModule::button_SetProtocol_Click() {
    if (!userGuard()) return;
    d_.progress.setProgressText(QStringLiteral("Setting protocol..."), true);
    SetProtocol_fnc();
}

void EnterModule::button_Read_All_Protocols_Click() {
    if (userGuard()) Read_ALL_Protocol_fnc();
}

void EnterModule::button_Set_Selected_Protocols_Click() {
    if (userGuard()) Write_SELECTION_Protocols_fnc();
}

}  // namespace dravik
