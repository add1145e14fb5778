#include "link/CommandHandler.h"

#include <utility>

#include "link/InterfaceLibrary.h"

namespace dravik {


CommandHandler::CommandHandler(HandlerState& state, MachineStates& machines, InterfaceLibrary& lib,
                               Dialogs& dialogs, ProgressView& progress)
    : s_(state), m_(machines), lib_(lib), dialogs_(dialogs), progress_(progress) {}

// The UI thread may free the handler (stop, reset, a gate test) while a step runs on the worker.
// Every state change of a step is therefore made from the state the step started in: when the
// handler was freed meanwhile, the step's outcome is dropped instead of undoing the reset.
bool CommandHandler::step(std::vector<QString>& out) {
    if (halted_) return false;
    if (libraryPhase_.load() == kLibraryQueued) {
        libraryResult_ = libraryRequest_(lib_);
        libraryPhase_ = kLibraryDone;
        return true;
    }
    switch (s_.CmdHandler_state.load()) {
        case HANDLER_READY: {
            const int cmd = s_.RequestCmd.load();
            if (cmd == 0) return false;
            const CommandInfo* info = commandInfo(cmd);
            if (info == nullptr) {
                std::uint8_t pending = 1;
                s_.TxRequest.compare_exchange_strong(pending, 0);
                return false;
            }
            if (s_.TxRequest.load() != 1) return false;
            buildRequest(s_.TxBuffer_usb, cmd, s_.Output_value.load(), s_.Baudrate_value.load());
            CmdHandler_state_ENUM expected = HANDLER_READY;
            if (s_.RequestCmd.load() != cmd || !s_.CmdHandler_state.compare_exchange_strong(expected, HANDLER_SEND))
                return true;
            s_.TxRequest = 0;
            s_.AnswerNotUnderstood = false;
            if (cmd == MBUS_SETUP) {
                const int supply = supplyFromOutputWord(s_.Output_value.load());
                if (supply >= 0) s_.Product_supply = static_cast<std::uint8_t>(supply);
            }
            out.push_back(QStringLiteral("TX command: ") +
                          QLatin1String(info->logName.data(), static_cast<qsizetype>(info->logName.size())));
            out.push_back(QStringLiteral(". Data: ") +
                          byteDump(s_.TxBuffer_usb, kStart, requestFrameSize(s_.TxBuffer_usb)) + kCrLf);
            return true;
        }
        case HANDLER_SEND: {
            std::fill(s_.RxBuffer_usb.bytes.begin() + kStart, s_.RxBuffer_usb.bytes.begin() + kStart + 64, 0);
            lib_.USB_TX(s_.TxBuffer_usb);
            CmdHandler_state_ENUM expected = HANDLER_SEND;
            if (s_.CmdHandler_state.compare_exchange_strong(expected, HANDLER_RECEIVE))
                s_.Rx_timeout_cnt = s_.Rx_timeout_val.load();
            return true;
        }
        case HANDLER_RECEIVE: {
            dataBuffer rx;
            const bool got = lib_.USB_RX(&rx);
            out.push_back(QStringLiteral(".."));
            // One reading of the counter decides: the 100 ms tick may change it meanwhile.
            const std::uint8_t remaining = s_.Rx_timeout_cnt.load();
            CmdHandler_state_ENUM expected = HANDLER_RECEIVE;
            if (got && answerMatches(s_.TxBuffer_usb, rx) && remaining != 0 &&
                !memoryAnswerWellFormed(s_.RequestCmd.load(), s_.TxBuffer_usb, rx)) {
                // A memory answer for another address or without its data byte: never used, and
                // handled as this request's time-out. Whoever sees that time-out also sees why.
                s_.AnswerNotUnderstood = true;
                if (!s_.CmdHandler_state.compare_exchange_strong(expected, HANDLER_TIMEOUT)) return true;
                ++timeouts_;
                const int answerLength = rx[kLength];
                out.push_back(QStringLiteral("Rx: WRONG ANSWER. Data: ") +
                              byteDump(rx, kStart, std::min(answerLength + 4, dataBuffer::kSize - kStart)) + kCrLf);
                out.push_back(QStringLiteral("Rx: TIMEOUT ") + kCrLf);
            } else if (got && answerMatches(s_.TxBuffer_usb, rx) && remaining != 0) {
                s_.RxBuffer_usb = rx;
                if (!s_.CmdHandler_state.compare_exchange_strong(expected, HANDLER_ANSWERED)) return true;
                if (rx[kCode] == 0x40 && s_.TxBuffer_usb[kDest] == kDestInterface)
                    s_.Cable_Module_DirectConnection = directConnectionFromAnswer(rx);
                s_.SendDataSlotRetry = 0;
                // Only a matching answer counts as "data received": an empty poll says nothing
                // about whether the product is still there.
                s_.AutoConnDataReceived = true;
                const int answerLength = rx[kLength];
                out.push_back(QStringLiteral("Rx: OK. Data: ") +
                              byteDump(rx, kStart, std::min(answerLength + 4, dataBuffer::kSize - kStart)) + kCrLf);
            } else if (remaining == 0) {
                if (!s_.CmdHandler_state.compare_exchange_strong(expected, HANDLER_TIMEOUT)) return true;
                ++timeouts_;
                out.push_back(QStringLiteral("Rx: TIMEOUT ") + kCrLf);
            }
            return true;
        }
        case HANDLER_ANSWERED:
        case HANDLER_TIMEOUT:
        default:
            return false;
    }
}

CmdHandler_Result_ENUM CommandHandler::WatchBus(int cmd, bool release) {
    if (cmd > kLastCommand) return RESULT_BAD_COMMAND;
    if (halted_ && cmd != 0) return RESULT_BUSY;
    const CmdHandler_state_ENUM st = s_.CmdHandler_state.load();
    if (s_.RequestCmd.load() == 0 && st == HANDLER_READY) {
        if (cmd == 0) return RESULT_IDLE;
        s_.CmdHandler_state = HANDLER_READY;
        s_.TxRequest = 1;
        s_.RequestCmd = cmd;
        return RESULT_ACCEPTED;
    }
    if (cmd != 0 && cmd != s_.RequestCmd.load()) return RESULT_BUSY;
    if (st == HANDLER_ANSWERED) {
        s_.release();
        return RESULT_ANSWER_OK;
    }
    if (st == HANDLER_TIMEOUT) {
        if (release) s_.release();
        return RESULT_TIMEOUT;
    }
    return RESULT_IN_PROGRESS;
}

void CommandHandler::SendCommand(int cmd, bool immediate) {
    s_.SendingCmd = cmd;
    s_.CmdHandler_state = HANDLER_READY;
    if (immediate) {
        WatchBus(cmd, true);
        s_.Rx_timeout_val = 3;
        m_.EnterProduct_state = kEnterProductWaitAnswer;
        m_.EnterModule_state = kEnterModuleWaiting;
        m_.EnterFunctions_state = kEnterFunctionsWaiting;
    }
    wakeup();
}

void CommandHandler::wakeup() {
    if (pump_ != nullptr) pump_->wakeup();
}

void CommandHandler::startOperation(const std::function<void()>& setStartState) {
    setStartState();
    wakeup();
}

bool CommandHandler::startLibraryRequest(std::function<int(InterfaceLibrary&)> request,
                                         std::function<void(int)> done) {
    if (halted_ || libraryPhase_.load() != kLibraryNone) return false;
    startOperation([&] {
        libraryRequest_ = std::move(request);
        libraryDone_ = std::move(done);
        libraryPhase_ = kLibraryQueued;
    });
    return true;
}

bool CommandHandler::takeLibraryResult() {
    if (libraryPhase_.load() != kLibraryDone) return false;
    const std::function<void(int)> done = std::exchange(libraryDone_, nullptr);
    libraryRequest_ = nullptr;
    libraryPhase_ = kLibraryNone;
    if (done) done(libraryResult_);
    return true;
}

bool CommandHandler::handlerHasWork() const {
    if (libraryPhase_.load() == kLibraryQueued) return true;
    const CmdHandler_state_ENUM st = s_.CmdHandler_state.load();
    return st == HANDLER_SEND || st == HANDLER_RECEIVE ||
           (st == HANDLER_READY && s_.TxRequest.load() == 1 && s_.RequestCmd.load() != 0);
}

bool CommandHandler::nextStepUsesDevice() const {
    if (libraryPhase_.load() == kLibraryQueued) return true;
    const CmdHandler_state_ENUM st = s_.CmdHandler_state.load();
    return st == HANDLER_SEND || st == HANDLER_RECEIVE;
}

bool CommandHandler::machineAwaitsPump() const {
    const bool handlerWorking = handlerHasWork();
    const bool interfaceWorking = m_.EnterInterface_state == 1 || m_.EnterInterface_state == 2;
    const bool productWorking = m_.EnterProduct_state != kEnterProductIdle && m_.EnterProduct_state != kEnterProductWaitAnswer;
    // State 0 of the functions machine is its state before the first product connection.
    const bool functionsWorking =
        m_.EnterFunctions_state != 0 && m_.EnterFunctions_state != kEnterFunctionsWaiting;
    return handlerWorking || interfaceWorking || productWorking || functionsWorking ||
           m_.EnterModule_state != kEnterModuleWaiting || libraryPhase_.load() != kLibraryNone;
}

bool CommandHandler::panelOperationRunning() const {
    const bool productRests =
        m_.EnterProduct_state == kEnterProductIdle || m_.EnterProduct_state == kEnterProductWaitAnswer;
    const bool functionsRest = m_.EnterFunctions_state == kEnterFunctionsIdle ||
                               m_.EnterFunctions_state == kEnterFunctionsWaiting;
    return !(productRests && functionsRest && m_.EnterModule_state == kEnterModuleWaiting);
}

bool CommandHandler::ProcessIsInProgress(bool showMessage) {
    const CmdHandler_state_ENUM st = s_.CmdHandler_state.load();
    const bool handlerIdle = st == HANDLER_ANSWERED || (st == HANDLER_READY && s_.TxRequest.load() == 0);
    const bool resting = (m_.EnterInterface_state == 0 || m_.EnterInterface_state == 3) &&
                         (m_.EnterProduct_state == 0 || m_.EnterProduct_state == 3) &&
                         m_.EnterModule_state == kEnterModuleWaiting &&
                         m_.EnterFunctions_state == kEnterFunctionsWaiting && s_.Rx_timeout_cnt.load() == 0 &&
                         handlerIdle && libraryPhase_.load() == kLibraryNone;
    if (!resting && showMessage)
        dialogs_.message(QStringLiteral("There is another process in progress"), QStringLiteral("Command"));
    return !resting;
}

bool CommandHandler::CommandIsInProgress(bool showMessage) {
    s_.CmdHandler_Result = WatchBus(0, false);
    const bool busy = s_.CmdHandler_Result != RESULT_IDLE;
    if (busy && showMessage)
        dialogs_.message(QStringLiteral("There is another command in progress"), QStringLiteral("Command"));
    return busy;
}

void CommandHandler::ResetAllProcesses() {
    m_.EnterProduct_state = kEnterProductWaitAnswer;
    m_.EnterModule_state = kEnterModuleWaiting;
    m_.EnterFunctions_state = kEnterFunctionsWaiting;
    s_.CmdHandler_state = HANDLER_READY;
    s_.TxRequest = 0;
    s_.Rx_timeout_cnt = 0;
}

void CommandHandler::StopProcess() {
    m_.EnterProduct_state = kEnterProductIdle;
    m_.EnterModule_state = kEnterModuleWaiting;
    m_.EnterFunctions_state = kEnterFunctionsWaiting;
    s_.release();
    s_.Rx_timeout_cnt = 0;
    // The device gets its 100 ms of quiet as a hold of the next cycle, not a sleep of the window.
    if (pump_ != nullptr) pump_->hold(100);
    progress_.setProgressText(QString(), false);
    progress_.setProgressValue(0);
}

void CommandHandler::halt() {
    halted_ = true;
    ResetAllProcesses();
    s_.release();
}

void CommandHandler::tick100ms() {
    std::uint8_t cnt = s_.Rx_timeout_cnt.load();
    while (cnt > 0 && !s_.Rx_timeout_cnt.compare_exchange_weak(cnt, static_cast<std::uint8_t>(cnt - 1))) {
    }
}

void CommandHandler::armWatchdog() { watchdogTimeout_ = timeouts_.load(); }

void CommandHandler::watchdogFired() {
    // Only the time-out the watchdog was started for: a later one belongs to a machine that has
    // not yet had its step, and must reach it as a time-out, not as an answer.
    if (timeouts_.load() != watchdogTimeout_) return;
    CmdHandler_state_ENUM expected = HANDLER_TIMEOUT;
    s_.CmdHandler_state.compare_exchange_strong(expected, HANDLER_ANSWERED);
}

}  // namespace dravik
