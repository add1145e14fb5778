// The machine's frame: the state and answer tables, the two routes to the module, sending and
// waiting, the time-outs and the end of an operation with its chain.

#include "module/EnterModule.h"

#include "connection/MbusSetup.h"
#include "product/OperationChain.h"

namespace dravik {

namespace {
const QString kProcessTerminated = QStringLiteral("Process terminated");
}  // namespace

EnterModule::EnterModule(Deps d) : d_(std::move(d)) {}

EnterModule::~EnterModule() = default;

// One entry per state value; a null entry does nothing (0 and the resting MODULE_STOPPED).
const std::array<EnterModule::Action, kModuleStates>& EnterModule::stateTable() {
    static const std::array<Action, kModuleStates> table = {
        nullptr,                        // 0
        &EnterModule::start,            // MODULE_START
        &EnterModule::send,             // MODULE_SEND
        &EnterModule::waitAnswer,       // MODULE_WAIT_ANSWER
        &EnterModule::infoDone,         // MODULE_INFO_DONE
        &EnterModule::readWorking,      // MODULE_READ_WORKING
        &EnterModule::readAll,          // MODULE_READ_ALL
        &EnterModule::checkProtection,  // MODULE_CHECK_PROTECTION
        &EnterModule::setProtection,    // MODULE_SET_PROTECTION
        &EnterModule::readLogs,         // MODULE_READ_LOGS
        &EnterModule::clearLogs,        // MODULE_CLEAR_LOGS
        &EnterModule::writeSelection,   // MODULE_WRITE_SELECTION
        &EnterModule::setProtocol,      // MODULE_SET_PROTOCOL
        &EnterModule::restart,          // MODULE_RESTART
        &EnterModule::setup,            // MODULE_SETUP
        &EnterModule::indexSetup,       // MODULE_INDEX_SETUP
        &EnterModule::decodeSetup,      // MODULE_DECODE_SETUP
        &EnterModule::unlockFlash,      // MODULE_UNLOCK_FLASH
        &EnterModule::loadFile,         // MODULE_LOAD_FILE
        &EnterModule::sendLine,         // MODULE_SEND_LINE
        &EnterModule::resetSelection,   // MODULE_RESET_SELECTION
        &EnterModule::operationEnd,     // MODULE_OPERATION_END
        nullptr,                        // MODULE_STOPPED
    };
    return table;
}

// The action run when the pending command is answered (or its answer was already taken).
const std::array<EnterModule::Action, kLastCommand + 1>& EnterModule::answerTable() {
    static const std::array<Action, kLastCommand + 1> table = [] {
        std::array<Action, kLastCommand + 1> t{};
        t[MEMORY_READ] = &EnterModule::onMemoryRead;
        t[MBUS_SETUP] = &EnterModule::onSetupAnswer;
        t[ACTUAL_SLOT_CONFIGURATION] = &EnterModule::onSlotConfiguration;
        t[ACTUAL_ALL_SLOT_CONFIGURATION] = &EnterModule::onAllSlotConfiguration;
        t[SLOT_SETTINGS_INFO] = &EnterModule::onSlotInfo;
        t[ALL_SLOT_SETTINGS_INFO] = &EnterModule::onAllSlotInfo;
        t[WRITE_SLOTS_SETTINGS] = &EnterModule::onWriteSlots;
        t[UNLOCK_VRAK_FLASH] = &EnterModule::onUnlockFlash;
        t[SEND_DATA_SLOT] = &EnterModule::onSendDataSlot;
        t[VERIFY_FIRMWARE] = &EnterModule::onVerifyFirmware;
        t[INDEX_SLOT_SETUP] = &EnterModule::onSelectionSetup;
        t[DECODE_SLOT_SETUP] = &EnterModule::onSelectionSetup;
        t[RESET_VRAK] = &EnterModule::onSelectionSetup;
        t[TEST_MODE] = &EnterModule::onTestMode;
        t[AUX_MODULE_SETUP] = &EnterModule::onAuxModuleSetup;
        t[AUX_MODULE_CONFIG] = &EnterModule::onAuxModuleConfig;
        t[MODULE_PROTECTION] = &EnterModule::onProtection;
        t[READ_MODULE_LOGS] = &EnterModule::onReadLog;
        t[CLEAR_MODULE_LOGS] = &EnterModule::onClearLogs;
        return t;
    }();
    return table;
}

void EnterModule::step() {
    int& state = d_.ms.EnterModule_state;
    if (state > MODULE_STOPPED) state = MODULE_RESTART;
    if (state < 0) return;
    const Action action = stateTable()[static_cast<std::size_t>(state)];
    if (action != nullptr) (this->*action)();
}

void EnterModule::setControls(const ModuleControls& controls) {
    controls_ = controls;
    detached_.reset();
    if (controls_.complete()) wireLists(controls_);
}

const ModuleControls& EnterModule::controls() {
    if (controls_.complete()) return controls_;
    if (!detached_) {
        detached_ = std::make_unique<DetachedModuleControls>();
        wireLists(detached_->controls());
    }
    return detached_->controls();
}

bool EnterModule::directRoute() const {
    return d_.prd.Prd_Module_DirectConnection == 1 && d_.mod.Mdl_DirectConnection == 1 &&
           d_.hs.Cable_Module_DirectConnection.load() == 1;
}

ProductDatabase EnterModule::database() {
    return ProductDatabase(d_.cs.Main_directory, d_.cs.Language_type, d_.onDatabaseFatal,
                           [this](const QString& message) { d_.log.appendLog(message + kCrLf); });
}

void EnterModule::request(int cmd) {
    timedOut_ = false;
    d_.hs.SendingCmd = cmd;
    d_.ms.EnterModule_state = MODULE_SEND;
}

// A failed operation ends like any other: what was chained to it (a read-all's or a first
// connection's next read) still runs and writes over the progress label, so the reason shown there
// goes to the status log too.
void EnterModule::fail(const QString& logLine, const QString& progressText) {
    journalEnd(false, failureWords(logLine, progressText));
    if (!logLine.isEmpty()) d_.log.appendLog(logLine + kCrLf);
    if (!progressText.isEmpty() && progressText != logLine)
        d_.log.appendLog(progressText.endsWith(kCrLf) ? progressText : progressText + kCrLf);
    d_.progress.setProgressText(progressText, true);
    d_.progress.setProgressValue(0);
    d_.ms.EnterModule_state = MODULE_OPERATION_END;
}

void EnterModule::start() {
    d_.prd.baudrate = 0;
    d_.hs.SendDataSlotRetry = 0;
    if (directRoute()) {
        startDirect();
    } else {
        startThroughProduct();
    }
}

// The adapter's link goes to the module: all lines off at the module's speed, then supply and
// output 1 high on with the key off, which is when the module listens.
void EnterModule::startDirect() {
    ConnectionState& cs = d_.cs;
    if (cs.Actual_communication == 2 || cs.Reboot == 1 || d_.hs.Product_supply.load() == 0) {
        cs.Reboot = 0;
        cs.Actual_communication = 1;
        d_.hs.Output_value = kOutputsAllOff;
        d_.hs.Baudrate_value = d_.mod.Mod_Speed;
        loadMbusScript(cs, {kOutputsModuleOn, 0, MBUS_SETUP}, {0, 0, ACTUAL_SLOT_CONFIGURATION});
        request(MBUS_SETUP);
    } else if (cs.Actual_communication == 1) {
        request(ACTUAL_SLOT_CONFIGURATION);
    } else {
        fail(QStringLiteral("Module: the link is set up for no known device (%1)").arg(cs.Actual_communication));
    }
}

void EnterModule::startThroughProduct() {
    if (d_.cs.Actual_communication != 2) {
        // The link is set up for a module on the cable, not for the product that holds this one.
        fail(QStringLiteral("Module: the link is not set up for the product"));
        return;
    }
    switch (d_.st.Mdl_OperationToDo) {
        case OP_READ_SELECTION:
            if (d_.prd.Prd_Module_Info_Address_Length > d_.st.module_data.size()) {
                fail(QStringLiteral("Module information of %1 bytes refused: at most %2 are read")
                         .arg(d_.prd.Prd_Module_Info_Address_Length)
                         .arg(d_.st.module_data.size()));
                return;
            }
            d_.st.Read_ModuleInfo_index = 0;
            d_.hs.TxBuffer_usb[kData] = d_.prd.Prd_Module_Info_Address;
            request(MEMORY_READ);
            break;
        case OP_SET_PROTOCOL:
            d_.ms.EnterModule_state = MODULE_SETUP;
            break;
        case OP_RESET_SELECTION:
            d_.ms.EnterModule_state = MODULE_RESET_SELECTION;
            break;
        default:
            d_.ms.EnterModule_state = MODULE_STOPPED;
            break;
    }
}

void EnterModule::send() {
    if (d_.handler.WatchBus(d_.hs.SendingCmd, true) == RESULT_ACCEPTED) {
        d_.hs.Rx_timeout_val = kRxTimeoutTicks;
        d_.ms.EnterModule_state = MODULE_WAIT_ANSWER;
    }
}

// An idle handler counts as answered: the answer may have been taken already, or the command timed
// out and the answer record is the cleared one.
void EnterModule::waitAnswer() {
    const CmdHandler_Result_ENUM result = d_.handler.WatchBus(0, true);
    d_.hs.CmdHandler_Result = result;
    switch (result) {
        case RESULT_ANSWER_OK:
        case RESULT_IDLE: {
            const int cmd = d_.hs.SendingCmd;
            const Action action =
                cmd >= 0 && cmd <= kLastCommand ? answerTable()[static_cast<std::size_t>(cmd)] : nullptr;
            if (action != nullptr) {
                (this->*action)();
            } else {
                fail(QStringLiteral("### ") + commandLogName(cmd) + QStringLiteral(" error! ###"),
                     QStringLiteral("Module: no action for the answer to ") + commandLogName(cmd));
            }
            break;
        }
        case RESULT_TIMEOUT:
            onTimeout();
            break;
        default:
            break;
    }
}

// The handler is already free. The state stays: the next step runs the command's answer action on
// the cleared answer record, which the slot reads count as a wrong answer.
void EnterModule::onTimeout() {
    timedOut_ = true;
    switch (d_.hs.SendingCmd) {
        case SEND_DATA_SLOT: {
            const std::uint8_t retries = static_cast<std::uint8_t>(d_.hs.SendDataSlotRetry.load() + 1);
            d_.hs.SendDataSlotRetry = retries;
            if (retries <= 2) {
                // The same line is sent again.
                d_.log.appendLog(QStringLiteral("Module rx timeout error !\r\n"));
                d_.ms.EnterModule_state = MODULE_SEND_LINE;
            } else {
                const QString reason = QStringLiteral("Module rx error !");
                d_.progress.setProgressText(reason, true);
                d_.hs.release();
                d_.cs.Reboot = 1;
                d_.dialogs.message(QStringLiteral(" Rx error"), QStringLiteral("Send data slot"),
                                   Dialogs::Buttons::Ok, Dialogs::Icon::Error);
                fail(QString(), reason);
            }
            break;
        }
        case MBUS_SETUP:
            d_.cs.Reboot = 1;
            d_.log.appendLog(QStringLiteral("Module: RX err Setup_Request!\r\n"));
            break;
        default: {
            const QString reason = QStringLiteral("Module rx timeout error !\r\n");
            d_.progress.setProgressText(reason, true);
            d_.hs.release();
            d_.cs.Reboot = 1;
            if (endsOnTimeout(d_.hs.SendingCmd)) fail(QString(), reason);
            break;
        }
    }
}

// The module needs a second after each link set-up before and after the next entry: the pump holds
// its next run that long, the window stays live.
void EnterModule::onSetupAnswer() {
    d_.pump.hold(2 * kPauseAfterSetupMs);
    if (Mbus_setup_SM(d_.cs, d_.hs) == 1) {
        d_.ms.EnterModule_state = MODULE_SEND;
    } else {
        fail(QStringLiteral("Module: nothing follows the link set-up"));
    }
}

void EnterModule::onMemoryRead() {
    ModuleStatus& st = d_.st;
    if (st.Read_ModuleInfo_index < st.module_data.size())
        st.module_data[st.Read_ModuleInfo_index] = d_.hs.RxBuffer_usb[10];
    ++st.Read_ModuleInfo_index;
    if (st.Read_ModuleInfo_index < d_.prd.Prd_Module_Info_Address_Length &&
        st.Read_ModuleInfo_index < st.module_data.size()) {
        d_.hs.TxBuffer_usb[kData] =
            static_cast<std::uint8_t>(d_.prd.Prd_Module_Info_Address + st.Read_ModuleInfo_index);
        request(MEMORY_READ);
        return;
    }
    st.Mdl_Selected_Decode = st.module_data[0];
    st.prot_index =
        static_cast<std::uint8_t>(fillDatabaseSlots(d_.tables, database().moduleSlotSources(d_.mod.Mod_index),
                                                    d_.mod.Mod_SoftwareType, d_.mod.Mod_SoftwareVersion));
    panel_.clear(controls().panel_Module);
    d_.progress.setProgressValue(100);
    d_.ms.EnterModule_state = MODULE_INFO_DONE;
}

void EnterModule::infoDone() {
    ModuleStatus& st = d_.st;
    const auto& b = st.module_data;
    switch (d_.mod.Mod_SoftwareType) {
        case 16:
        case 31:
        case 47:
            st.Mdl_Selected_Parameter_A = b[0];
            st.Mdl_Selected_Parameter_B = 0;
            st.Mdl_Selected_Parameter_C = static_cast<std::uint16_t>((b[2] << 2) | b[1]);
            break;
        case 0x81:
            st.Mdl_Selected_Parameter_A = b[0];
            st.Mdl_Selected_Parameter_B = b[1] & 1;
            st.Mdl_Selected_Parameter_C = 0;
            break;
        default:
            st.Mdl_Selected_Parameter_A = 0;
            st.Mdl_Selected_Parameter_B = 0;
            st.Mdl_Selected_Parameter_C = 0;
            break;
    }
    st.Mdl_Selected_Parameter_B_C =
        static_cast<std::uint16_t>(st.Mdl_Selected_Parameter_B * 256 + st.Mdl_Selected_Parameter_C);
    st.Mdl_Selected_MaxParameter_B_C = static_cast<std::uint16_t>(d_.mod.Mdl_Selected_MaxParameter_B * 256 +
                                                                  d_.mod.Mdl_Selected_MaxParameter_C);
    Fill_Working_VRAK_Protocols(st.prot_index, false);
    d_.progress.setProgressValue(0);
    d_.progress.setProgressText(kProcessTerminated, true);
}

void EnterModule::onSlotConfiguration() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    st.Mdl_Selected_Decode_Version = rx[9];
    st.Mdl_Selected_Slot = rx[10];
    st.Mdl_Selected_Parameter_B = rx[11];
    st.Mdl_Selected_Parameter_C = rx[12];
    st.Mdl_VRAK_Working_Slots_Number = rx[13];
    d_.mod.Mdl_Selected_MaxParameter_B = rx[14];
    d_.mod.Mdl_Selected_MaxParameter_C = rx[15];
    st.Mdl_Selected_Decode = rx[16];
    st.Mdl_Selected_Parameter_B_C =
        static_cast<std::uint16_t>(st.Mdl_Selected_Parameter_B * 256 + st.Mdl_Selected_Parameter_C);
    st.Mdl_Selected_MaxParameter_B_C = static_cast<std::uint16_t>(d_.mod.Mdl_Selected_MaxParameter_B * 256 +
                                                                  d_.mod.Mdl_Selected_MaxParameter_C);

    switch (d_.mod.Mod_SoftwareType) {
        case kModuleA2:
            request(ACTUAL_ALL_SLOT_CONFIGURATION);
            break;
        case kModuleA1:
            switch (st.Mdl_OperationToDo) {
                case OP_READ_SELECTION:
                    d_.ms.EnterModule_state = MODULE_READ_WORKING;
                    break;
                case OP_SET_PROTOCOL:
                    d_.ms.EnterModule_state = MODULE_SET_PROTOCOL;
                    break;
                case OP_RESET_SELECTION:
                    d_.ms.EnterModule_state = MODULE_RESET_SELECTION;
                    break;
                default:
                    st.Mdl_OperationToDo = OP_NONE;
                    d_.ms.EnterModule_state = MODULE_OPERATION_END;
                    break;
            }
            break;
        default:
            fail(QStringLiteral("Module: software type %1 is not a slot module").arg(d_.mod.Mod_SoftwareType, 0, 16));
            break;
    }
}

void EnterModule::onAllSlotConfiguration() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    st.Mdl_VRAK_All_Slots_Number = rx[9];
    st.Mdl_VRAK_Slots_Protection = rx[10];
    st.Mdl_VRAK_Logs_Number = rx[11];
    padlock_handler();
    const ModuleControls& c = controls();
    c.button_reset_log->setEnabled(true);
    c.button_read_log->setEnabled(true);
    c.button_lock_unlock_protection->setEnabled(true);
    int& state = d_.ms.EnterModule_state;
    switch (st.Mdl_OperationToDo) {
        case OP_READ_SELECTION:
            state = MODULE_READ_WORKING;
            break;
        case OP_SET_PROTOCOL:
            state = MODULE_SET_PROTOCOL;
            break;
        case OP_READ_ALL:
            state = MODULE_READ_ALL;
            break;
        case OP_WRITE_SELECTION:
            state = MODULE_CHECK_PROTECTION;
            break;
        case OP_PROTECTION:
            state = MODULE_SET_PROTECTION;
            break;
        case OP_READ_LOGS:
            state = MODULE_READ_LOGS;
            break;
        case OP_CLEAR_LOGS:
            state = MODULE_CLEAR_LOGS;
            break;
        case OP_RESET_SELECTION:
            state = MODULE_RESET_SELECTION;
            break;
        default:
            st.Mdl_OperationToDo = OP_NONE;
            state = MODULE_OPERATION_END;
            break;
    }
}

// The first connection after start-up reads all slots after the selection; then the operation the
// flags ask for starts, or the machine rests.
void EnterModule::operationEnd() {
    if (d_.cs.startUp == 1 && d_.prd.Prd_Module == 1)
        d_.fs.loadConfiguration_CheckedProtocol_flag = CHAIN_READ;
    d_.cs.startUp = 0;
    d_.ms.EnterModule_state = MODULE_STOPPED;
    journalEnd(true);
    const ModuleOperationHooks hooks{[this] { Write_SELECTION_Protocols_fnc(); },
                                     [this] { SetProtocol_fnc(); }, [this] { Read_ALL_Protocol_fnc(); },
                                     [this] { Read_SELECTION_Protocols_fnc(); }};
    if (const std::function<void()>* next = takeChainedOperation(d_.fs, hooks)) (*next)();
}

}  // namespace dravik
