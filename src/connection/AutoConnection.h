#pragma once
// The automatic connection: connects the adapter and the product once, then checks once every
// two seconds that the product still answers, rebooting it at most twice in a row.

#include <functional>

#include "connection/ConnectionState.h"
#include "connection/InterfaceConnection.h"
#include "link/CommandHandler.h"
#include "link/OneShotTimer.h"
#include "link/Views.h"
#include "database/ProductState.h"

namespace dravik {

enum E_AUTO_CONN_STAT : int {
    AUTOCONN_INIT = 1,
    AUTOCONN_CONNECT_INTERFACE = 2,
    AUTOCONN_WAIT_INTERFACE = 3,
    AUTOCONN_FIRST_CONNECT = 4,
    AUTOCONN_REBOOT_PRODUCT = 5,
    AUTOCONN_IDENTIFY = 6,
    AUTOCONN_CHECK_ANSWER = 7,
    AUTOCONN_SUSPENDED = 9,
    AUTOCONN_NO_DEVICE = 10,
};

// The guard of the user's operation buttons: a command of the automatic connection is dropped and
// every process stopped; any other command in progress refuses the operation with the message
// "There is another command in progress". Returns whether the operation may start.
bool takeOverForUserOperation(ConnectionState& cs, CommandHandler& handler);

class AutoConnection {
public:
    struct Deps {
        HandlerState& hs;
        MachineStates& ms;
        ConnectionState& cs;
        ProductState& prd;
        CommandHandler& handler;
        InterfaceConnection& iface;
        OneShotTimer& timerHandler;
        LogView& log;
        ProgressView& progress;
        std::function<bool()> autoConnChecked;
    };

    explicit AutoConnection(Deps d) : d_(std::move(d)) {}

    void AutoConnManager();
    void RebootConnectProduct();
    // A device count ended: a new device set means a new interface connection.
    void onDeviceCount(int count);

    int AutoConnStat = AUTOCONN_INIT;
    std::uint8_t AutoConnCnt = 0;
    std::uint8_t AutoConnRetry = 0;

private:
    // Identifications of one counted adapter that the manager asks again after a failed one.
    static constexpr int kInterfaceRetries = 3;
    Deps d_;
    int interfaceRetries_ = 0;
};

// A user operation takes over from a command the automatic connection has under way: the
// command is stopped and its check forgotten. Returns whether there was one.
bool takeOverFromAutoConnection(ConnectionState& cs, CommandHandler& handler);

// Whether the machine the pump steps on the product (`Working_parameters`: 1 functions, 2 module)
// is half-way through an operation other than the caller's machine `mine`. Between two of its
// commands the handler is idle, but an operation of the other machine started then would switch
// the pump away and leave this one frozen half-way: such a start is refused.
bool otherOperationHalfWay(const ConnectionState& cs, const MachineStates& ms, int mine);

}  // namespace dravik
