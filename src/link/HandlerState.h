#pragma once
// State shared by the command handler (worker thread) and the machines (UI thread).
// The pump alternates the two strictly; the fields that the UI thread may still touch while a
// worker run is under way (timer ticks, gating tests, the stop button) are atomics.

#include <atomic>
#include <cstdint>

#include "link/Report.h"

namespace dravik {

enum CmdHandler_state_ENUM : std::uint8_t {
    HANDLER_READY = 1,
    HANDLER_SEND = 2,
    HANDLER_RECEIVE = 3,
    HANDLER_ANSWERED = 4,
    HANDLER_TIMEOUT = 6,
};

enum CmdHandler_Result_ENUM : std::uint8_t {
    RESULT_IDLE = 0,
    RESULT_ACCEPTED = 1,
    RESULT_BUSY = 2,
    RESULT_IN_PROGRESS = 3,
    RESULT_ANSWER_OK = 4,
    RESULT_TIMEOUT = 5,
    RESULT_BAD_COMMAND = 7,
};

struct HandlerState {
    std::atomic<CmdHandler_state_ENUM> CmdHandler_state{HANDLER_READY};
    std::atomic<int> RequestCmd{0};
    std::atomic<std::uint8_t> TxRequest{0};
    int SendingCmd = 0;
    CmdHandler_Result_ENUM CmdHandler_Result = RESULT_IDLE;
    std::atomic<std::uint8_t> Rx_timeout_val{25};
    std::atomic<std::uint8_t> Rx_timeout_cnt{0};
    std::atomic<bool> AutoConnDataReceived{false};
    std::atomic<std::uint8_t> SendDataSlotRetry{0};
    // The last request ended as a time-out because its answer was not understood (a memory answer
    // for another address or without its data byte), not because nothing came.
    std::atomic<bool> AnswerNotUnderstood{false};

    dataBuffer TxBuffer_usb;
    dataBuffer RxBuffer_usb;

    // M-Bus line fields: read when MBUS_SETUP is built, updated by its request and answer.
    std::atomic<std::uint16_t> Output_value{0x00FF};
    std::atomic<std::uint8_t> Baudrate_value{0};
    std::atomic<std::uint8_t> Product_supply{0};
    std::atomic<std::uint8_t> Cable_Module_DirectConnection{0};

    // Frees the handler: ready, no command, nothing to send.
    void release() {
        CmdHandler_state = HANDLER_READY;
        RequestCmd = 0;
        TxRequest = 0;
    }
};

// The state registers of the four device machines, as the gating tests read them.
struct MachineStates {
    int EnterInterface_state = 0;
    int EnterProduct_state = 0;
    int EnterFunctions_state = 0;
    int EnterModule_state = 22;

    bool operator==(const MachineStates&) const = default;
};

inline constexpr int kEnterProductIdle = 0;
inline constexpr int kEnterProductWaitAnswer = 3;
inline constexpr int kEnterFunctionsIdle = 0;  // never started since the program began
inline constexpr int kEnterFunctionsWaiting = 11;
inline constexpr int kEnterModuleWaiting = 22;

}  // namespace dravik
