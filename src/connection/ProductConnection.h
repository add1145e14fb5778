#pragma once
// Powering the product through the adapter's outputs, finding its speed, identifying it (and the
// module behind it) in the product database, and "Power off".

#include <QStringList>
#include <functional>

#include "connection/ConnectionState.h"
#include "connection/ConnectionView.h"
#include "connection/ProductStates.h"
#include "link/CommandHandler.h"
#include "link/OperationJournal.h"
#include "link/Views.h"
#include "database/ProductDatabase.h"
#include "database/ProductState.h"

namespace dravik {

class InterfaceConnection;

class ProductConnection {
public:
    // Device pauses after an M-Bus setup answer: before the next queue entry is taken and after.
    static constexpr int kPauseBeforeSetupMs = 600;
    static constexpr int kPauseAfterSetupMs = 750;
    static constexpr std::uint8_t kRxTimeoutTicks = 25;
    static constexpr std::uint8_t kHighestBaudCode = 3;

    struct Deps {
        HandlerState& hs;
        MachineStates& ms;
        ConnectionState& cs;
        ProductState& prd;
        ModuleState& mod;
        CommandHandler& handler;
        PumpControl& pump;
        InterfaceConnection& iface;
        ConnectionView& view;
        LogView& log;
        ProgressView& progress;
        // A product database that cannot be opened or queried; expected to end the program.
        FatalHandler onDatabaseFatal;
        // Tells the user why a product or module description was refused.
        Dialogs& dialogs;
        OperationJournal& journal = noJournal();
    };

    explicit ProductConnection(Deps d) : d_(std::move(d)) {}

    // One step of the product machine.
    void EnterProduct();
    // "Power off".
    void closeToolStripMenuItem_Click();

private:
    void start();
    void waitAnswer();
    void onAnswer();
    void onTimeout();
    void identificationTimedOut();
    void productLookup();
    void moduleLookup();
    void notFound();
    void switchOff();
    void refuse(const QStringList& refusals);
    // The database with its refusals collected in refusals.
    ProductDatabase database(QStringList& refusals);

    Deps d_;
};

}  // namespace dravik
