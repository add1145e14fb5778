// The machine's frame: the state and answer tables, sending and waiting, and the time-outs.

#include "module/EnterModule.h"

namespace dravik {

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

}  // namespace dravik
