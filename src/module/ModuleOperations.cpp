// The module operations as the user and the operation chain start them.

#include "connection/AutoConnection.h"
#include "module/EnterModule.h"

namespace dravik {

namespace {
const QString kWaitPrevious = QStringLiteral("Wait until the previous command is completed!\r\n");
}  // namespace

// Every module operation starts here, through the handler's one start place. An operation on a
// module that was not identified would never be stepped: it is not started and the machine rests.
void EnterModule::startOperation(std::uint8_t operation, bool idleCheck) {
    if (idleCheck && d_.handler.WatchBus(0, true) != RESULT_IDLE) {
        d_.log.appendLog(kWaitPrevious);
        return;
    }
    if (d_.mod.Mod_connected != 1) {
        d_.ms.EnterModule_state = MODULE_STOPPED;
        d_.log.appendLog(QStringLiteral("No module identified: the module operation is not started") + kCrLf);
        return;
    }
    d_.handler.startOperation([&] {
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

bool EnterModule::userGuard() { return takeOverForUserOperation(d_.cs, d_.handler); }

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
