#include "connection/AutoConnection.h"

#include "connection/ProductStates.h"

namespace dravik {

bool takeOverFromAutoConnection(ConnectionState& cs, CommandHandler& handler) {
    if (!cs.AutoConnCmd) return false;
    cs.AutoConnCmd = false;
    handler.StopProcess();
    return true;
}

bool otherOperationHalfWay(const ConnectionState& cs, const MachineStates& ms, int mine) {
    if (cs.Working_parameters == mine) return false;
    if (cs.Working_parameters == 1)
        return ms.EnterFunctions_state != kEnterFunctionsIdle && ms.EnterFunctions_state != kEnterFunctionsWaiting;
    if (cs.Working_parameters == 2) return ms.EnterModule_state != kEnterModuleWaiting;
    return false;
}

bool takeOverForUserOperation(ConnectionState& cs, CommandHandler& handler) {
    return takeOverFromAutoConnection(cs, handler) || !handler.CommandIsInProgress(true);
}

void AutoConnection::RebootConnectProduct() {
    if (!takeOverFromAutoConnection(d_.cs, d_.handler) && d_.handler.CommandIsInProgress(true)) return;
    d_.progress.setProgressValue(0);
    d_.progress.setProgressText(QStringLiteral("Connecting product..."), true);
    d_.cs.Device_connection_request = true;
    d_.iface.Reset_connection();
    d_.iface.Restart([this] {
        d_.ms.EnterProduct_state = PRODUCT_START;
        d_.ms.EnterFunctions_state = 1;
        d_.ms.EnterModule_state = 1;
    });
}

void AutoConnection::onDeviceCount(int count) {
    if (d_.cs.WorkingMode != 1 && count > 0) return;  // the firmware upgrade owns a boot-mode device
    AutoConnCnt = 0;
    AutoConnRetry = 0;
    interfaceRetries_ = 0;
    d_.cs.AutoConnCmd = false;
    // The counters are cleared as by AUTOCONN_INIT, so a device counted at start-up is connected
    // at the first tick.
    AutoConnStat = count > 0 ? AUTOCONN_CONNECT_INTERFACE : AUTOCONN_NO_DEVICE;
}

void AutoConnection::AutoConnManager() {
    if (!d_.timerHandler.isActive() && d_.hs.CmdHandler_state.load() == HANDLER_TIMEOUT) {
        d_.handler.armWatchdog();
        d_.timerHandler.start(2000);
    }
    if (!d_.autoConnChecked || !d_.autoConnChecked()) return;
    if (AutoConnStat > AUTOCONN_NO_DEVICE) AutoConnStat = AUTOCONN_SUSPENDED;
    if (AutoConnStat != AUTOCONN_CHECK_ANSWER && AutoConnStat != AUTOCONN_SUSPENDED &&
        d_.handler.ProcessIsInProgress(false))
        return;

    const std::uint32_t devices = d_.cs.numberOfUSBDevicesConnected;
    switch (AutoConnStat) {
        case AUTOCONN_INIT:
            AutoConnCnt = 0;
            AutoConnRetry = 0;
            AutoConnStat = AUTOCONN_CONNECT_INTERFACE;
            break;
        case AUTOCONN_CONNECT_INTERFACE:
            if (!d_.cs.Interface_connected) {
                d_.cs.Device_connection_request = false;
                d_.iface.Restart();
                AutoConnStat = AUTOCONN_WAIT_INTERFACE;
            } else {
                AutoConnStat = AUTOCONN_FIRST_CONNECT;
            }
            break;
        case AUTOCONN_WAIT_INTERFACE:
            if (devices == 0) {
                AutoConnStat = AUTOCONN_NO_DEVICE;
            } else if (d_.cs.Interface_connected) {
                AutoConnStat = AUTOCONN_FIRST_CONNECT;
            } else if (d_.ms.EnterInterface_state >= INTERFACE_DONE && interfaceRetries_ < kInterfaceRetries) {
                // The identification got no usable answer (lost or corrupted): ask again. The
                // device is still counted, so no plug event would ever restart the machine. An
                // adapter that keeps failing waits for the next plug event.
                ++interfaceRetries_;
                d_.log.appendLog(QStringLiteral("AutoConn: Interface identification again \r\n"));
                d_.cs.Device_connection_request = false;
                d_.iface.Restart([this] { d_.ms.EnterInterface_state = INTERFACE_START; });
            }
            break;
        case AUTOCONN_FIRST_CONNECT:
            interfaceRetries_ = 0;
            if (devices == 0) {
                AutoConnStat = AUTOCONN_NO_DEVICE;
            } else {
                d_.log.appendLog(QStringLiteral("Auto conn: first conn !\r\n"));
                d_.cs.AutoConnCmd = true;
                RebootConnectProduct();
                AutoConnStat = AUTOCONN_IDENTIFY;
            }
            break;
        case AUTOCONN_REBOOT_PRODUCT:
            if (AutoConnCnt++ >= 2) {
                AutoConnStat = AUTOCONN_SUSPENDED;
            } else {
                d_.cs.AutoConnCmd = true;
                RebootConnectProduct();
                d_.log.appendLog(QStringLiteral("AutoConn: Reboot product \r\n"));
                AutoConnStat = AUTOCONN_IDENTIFY;
            }
            break;
        case AUTOCONN_IDENTIFY:
            if (devices == 0) {
                AutoConnStat = AUTOCONN_NO_DEVICE;
            } else if (!d_.cs.Interface_connected) {
                AutoConnStat = AUTOCONN_CONNECT_INTERFACE;
            } else if (d_.prd.Prd_connected == 0) {
                AutoConnStat = AUTOCONN_SUSPENDED;
            } else if (d_.cs.Actual_communication == 1 && d_.cs.Reboot == 0) {
                // The link is set up for a module wired to the cable: the product cannot hear a
                // check, and its silence would have it rebooted for nothing. Checking resumes
                // once an operation gives the link back to the product, or once the link is in
                // doubt (a reconnection or a module time-out asks for a new set-up).
            } else {
                d_.cs.AutoConnCmd = true;
                d_.hs.AutoConnDataReceived = false;
                d_.handler.SendCommand(IDENTIFICATION, true);
                d_.log.appendLog(QStringLiteral("AutoConn: Identification \r\n"));
                AutoConnStat = AUTOCONN_CHECK_ANSWER;
            }
            break;
        case AUTOCONN_CHECK_ANSWER:
            if (devices == 0 || !d_.cs.Interface_connected) {
                AutoConnStat = devices != 0 ? AUTOCONN_CONNECT_INTERFACE : AUTOCONN_NO_DEVICE;
                break;
            }
            if (!d_.cs.AutoConnCmd) {
                // A user operation took the handler over from this check: whatever the handler
                // holds now is that operation's, and the check tells nothing.
                AutoConnStat = AUTOCONN_IDENTIFY;
                break;
            }
            d_.handler.WatchBus(0, true);
            d_.cs.AutoConnCmd = false;
            if (d_.hs.AutoConnDataReceived.load()) {
                AutoConnCnt = 0;
                AutoConnRetry = 0;
                AutoConnStat = AUTOCONN_IDENTIFY;
            } else {
                AutoConnStat = AutoConnRetry++ != 0 ? AUTOCONN_REBOOT_PRODUCT : AUTOCONN_IDENTIFY;
            }
            break;
        case AUTOCONN_SUSPENDED:
            if (d_.handler.ProcessIsInProgress(false)) AutoConnStat = AUTOCONN_IDENTIFY;
            break;
        case AUTOCONN_NO_DEVICE:
            if (devices != 0 && d_.cs.Interface_connected) {
                AutoConnStat = AUTOCONN_FIRST_CONNECT;
            } else if (devices != 0) {
                AutoConnStat = AUTOCONN_CONNECT_INTERFACE;
            }
            break;
        default:
            break;
    }
}

}  // namespace dravik
