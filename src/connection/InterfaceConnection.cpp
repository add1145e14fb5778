#include "connection/InterfaceConnection.h"

#include "connection/AdapterProblems.h"
#include "connection/MbusSetup.h"
#include "link/DeviceText.h"

namespace dravik {

namespace {
std::uint16_t parseId(const QString& id) {
    bool ok = false;
    const uint v = QString(id).remove(QStringLiteral("0x")).toUInt(&ok, 16);
    return ok && v <= 0xFFFF ? static_cast<std::uint16_t>(v) : 0;
}
}  // namespace

QString InterfaceConnection::fillId(const QString& id) { return padHexStringValue(id); }

QString InterfaceConnection::deviceText() const {
    return deviceTextOf(d_.cs.myPID, d_.cs.myVID, d_.cs.myDeviceIndex);
}

void InterfaceConnection::setFirmwareHooks(std::function<bool()> busy, std::function<void()> bootModeFound,
                                           std::function<void()> standardModeFound) {
    d_.firmwareBusy = std::move(busy);
    bootModeFound_ = std::move(bootModeFound);
    standardModeFound_ = std::move(standardModeFound);
}

void InterfaceConnection::countIfPending() {
    if (!d_.cs.scanDeviceAgain) return;
    d_.cs.scanDeviceAgain = false;
    startCount();
}

void InterfaceConnection::registerAndCount() {
    if (d_.lib.BSL_RegisterUSBDeviceNotification([this] { onDeviceChange(); }) == 0) {
        if (!d_.counter.isBusy()) startCount();
    } else {
        d_.view.setUsbField(QStringLiteral("ERROR: Unable to register device"), Tone::Default);
    }
}

void InterfaceConnection::onDeviceChange() {
    if ((d_.firmwareBusy && d_.firmwareBusy()) || d_.counter.isBusy()) {
        d_.cs.scanDeviceAgain = true;
        return;
    }
    lastCountEmpty_ = false;  // a plug event is answered at once
    startCount();
}

void InterfaceConnection::startCount() {
    if (d_.counter.isBusy() || (d_.firmwareBusy && d_.firmwareBusy())) {
        d_.cs.scanDeviceAgain = true;
        return;
    }
    const std::uint16_t vid = parseId(d_.cs.myVID);
    const std::uint16_t pid = parseId(d_.cs.myPID);
    InterfaceLibrary& lib = d_.lib;
    d_.counter.start([&lib, vid, pid] { return lib.BSL_NumOfUSBDevices(vid, pid); },
                     [this](int n) { onCountDone(n); }, lastCountEmpty_ ? kEmptyCountPauseMs : 0);
}

void InterfaceConnection::onCountDone(int count) {
    ConnectionState& cs = d_.cs;
    // Asked before the reset below puts every machine at rest.
    const bool operationCutOff = count <= 0 && cs.WorkingMode == 1 && d_.handler.panelOperationRunning();
    cs.numberOfUSBDevicesConnected = static_cast<std::uint32_t>(std::max(count, 0));
    lastCountEmpty_ = count <= 0;
    if (cs.WorkingMode == 1 || count <= 0) {
        // The device set changed under a command in flight: its answer can never come, and a
        // handler left busy would keep every machine and the automatic connection waiting.
        d_.hs.release();
        d_.hs.Rx_timeout_cnt = 0;
    }
    if (count > 0) {
        d_.view.setConnectMenusEnabled(true);
        d_.view.setUsbField(QStringLiteral("USB connected (") + QString::number(count) + QStringLiteral(")"),
                            Tone::Green);
        if (cs.WorkingMode == 0) {
            d_.view.setModeField(QStringLiteral("Boot mode."));
            if (bootModeFound_) {
                bootModeFound_();
            } else {
                d_.log.appendLog(QStringLiteral("Select a firmware \r\n"));
            }
        } else {
            d_.view.setModeField(QStringLiteral("Standard mode."));
            cs.Interface_connected = false;
            d_.ms.EnterInterface_state = INTERFACE_START;
            Reset_connection();
            if (standardModeFound_) standardModeFound_();
        }
    } else {
        d_.view.setConnectMenusEnabled(false);
        d_.view.setUsbField(QStringLiteral("USB not connected."), Tone::Red);
        d_.view.setInterfaceField(QStringLiteral("No inteface connected."), Tone::Red);
        cs.Interface_connected = false;
        d_.ms.EnterInterface_state = INTERFACE_START;
        Reset_connection();
        if (operationCutOff) showOperationCutOff();
        if (cs.WorkingMode == 1) {
            cs.myPID = fillId(QStringLiteral("0x200"));
            cs.WorkingMode = 0;
        } else {
            cs.myPID = fillId(QStringLiteral("0x301"));
            cs.WorkingMode = 1;
        }
        cs.scanDeviceAgain = true;
    }
    if (onDeviceCount) onDeviceCount(count);
    if (cs.scanDeviceAgain) {
        cs.scanDeviceAgain = false;
        if (!d_.counter.isBusy()) startCount();
    }
}

void InterfaceConnection::EnterInterface() {
    ConnectionState& cs = d_.cs;
    int& state = d_.ms.EnterInterface_state;
    switch (state) {
        case INTERFACE_START: {
            if (cs.Main_directory.isEmpty() && d_.currentFolder) cs.Main_directory = d_.currentFolder();
            if (cs.Language_type == LANGUAGE_NOT_READ) {
                cs.Language_type = LANGUAGE_ENGLISH;
                if (d_.prepareDataFolders) cs.Language_type = d_.prepareDataFolders();
            }
            const QByteArray text = deviceText().toLatin1();
            char device[100] = {};
            std::copy_n(text.constData(), std::min<qsizetype>(text.size(), sizeof(device) - 1), device);
            d_.lib.BSL_setFamily(3);
            d_.lib.BSL_setCom(2);
            if (const int opened = d_.lib.BSL_initialize_BSL(device); opened != 0) {
                // An identification sent to an adapter that is not open could only time out.
                showProblem(adapterOpenProblem(opened));
                state = INTERFACE_DONE;
                break;
            }
            d_.hs.SendingCmd = INTERFACE_IDENTIFICATION;
            state = INTERFACE_SEND;
            break;
        }
        case INTERFACE_SEND:
            if (d_.handler.WatchBus(d_.hs.SendingCmd, true) == RESULT_ACCEPTED) {
                d_.hs.Rx_timeout_val = 25;
                state = INTERFACE_WAIT_ANSWER;
            }
            break;
        case INTERFACE_WAIT_ANSWER: {
            const CmdHandler_Result_ENUM r = d_.handler.WatchBus(0, true);
            if (r == RESULT_IN_PROGRESS) break;
            if (r == RESULT_ANSWER_OK && d_.hs.SendingCmd == INTERFACE_IDENTIFICATION) {
                const dataBuffer& rx = d_.hs.RxBuffer_usb;
                d_.view.setUsbField(QStringLiteral("Found interface"), Tone::Default);
                d_.view.setInterfaceField(QStringLiteral("Interface ID: ") + QString::number(rx[9]) +
                                              QString::number(rx[10]) + QStringLiteral(", ver. ") +
                                              QString::number(rx[11]) + QStringLiteral(", subver. ") +
                                              QString::number(rx[12]),
                                          Tone::Green);
                cs.Interface_Id = QString::number(rx[9]) + QString::number(rx[10]);
                cs.Interface_Version = rx[11];
                cs.Interface_Subversion = rx[12];
                d_.view.resetTestPage();
                d_.hs.Output_value = kOutputsAllOff;
                d_.hs.Baudrate_value = 0;
                cs.OperativeMode_value = 0;
                cs.ChannelGroup_value = 0;
                cs.Channel_value = 0;
                cs.Interface_connected = true;
                d_.prd.Prd_connected = 0;
                cs.MbusSetup_index = 0;
                d_.mod.Mod_connected = 0;
                d_.mod.Mod_timeout = 0;
            } else if (r == RESULT_TIMEOUT) {
                d_.hs.release();
                showProblem(adapterSilentProblem());
            }
            state = INTERFACE_DONE;
            break;
        }
        default:
            break;
    }
}

void InterfaceConnection::showProblem(const AdapterProblem& problem) {
    d_.view.setInterfaceField(problem.field, Tone::Red);
    d_.log.appendLog(problem.log);
}

void InterfaceConnection::showOperationCutOff() {
    const AdapterProblem problem = adapterGoneProblem();
    d_.progress.setProgressValue(0);
    d_.progress.setProgressText(problem.field, true);
    d_.log.appendLog(problem.log);
}

void InterfaceConnection::Restart(const std::function<void()>& setStartState) {
    d_.view.removeProtocolAndLogPages();
    d_.view.setReadSetAllEnabled(false);
    if (d_.cs.WorkingMode == 1) {
        d_.handler.startOperation(setStartState ? setStartState : [] {});
    } else if (setStartState) {
        setStartState();
    }
}

void InterfaceConnection::connect_interface_Click() {
    if (d_.cs.Interface_connected) return;
    d_.cs.Device_connection_request = false;
    Restart();
}

void InterfaceConnection::Reset_connection() {
    d_.prd.Prd_connected = 0;
    d_.ms.EnterProduct_state = kEnterProductWaitAnswer;
    d_.mod.Mod_connected = 0;
    d_.ms.EnterModule_state = kEnterModuleWaiting;
    d_.ms.EnterFunctions_state = kEnterFunctionsWaiting;
    d_.cs.Working_parameters = 1;
    d_.cs.Reboot = 1;
    d_.cs.startUp = 1;
    d_.mod.Mod_timeout = 0;
    Clear_Form();
    Reset_Tools();
}

void InterfaceConnection::Clear_Form() {
    d_.view.setFileButtonsEnabled(false);
    d_.view.setProductLabel(QStringLiteral("No product connected."), Tone::Red);
    d_.view.setModuleLabel(QStringLiteral("No module connected."), Tone::Red);
    d_.view.clearForm();
}

// Without a product nothing may offer to read or set it.
void InterfaceConnection::Reset_Tools() {
    d_.view.resetTools();
    d_.view.setReadSetAllEnabled(false);
}

void InterfaceConnection::testPageReconnect() {
    if (d_.cs.Interface_connected || d_.cs.numberOfUSBDevicesConnected == 0) return;
    // The tick may come between a worker run and its machine step: the check must not consume
    // an answer the interface machine is about to take (that would leave it done without a
    // connection), so it only looks at the handler.
    if (!d_.view.testPageSelected()) return;
    if (d_.hs.RequestCmd.load() != 0 || d_.hs.CmdHandler_state.load() != HANDLER_READY) return;
    d_.cs.Device_connection_request = false;
    Restart();
}

}  // namespace dravik
