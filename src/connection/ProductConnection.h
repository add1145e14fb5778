#pragma once
// Powering the product through the adapter's outputs, finding its speed, identifying it (and the
// module behind it) in the product database, and "Power off".

#include <functional>

#include "connection/ConnectionState.h"
#include "connection/ConnectionView.h"
#include "connection/ProductStates.h"
#include "link/CommandHandler.h"
#include "link/Views.h"
#include "product/ProductState.h"

namespace dravik {

class InterfaceConnection;

class ProductConnection {
public:
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
    };

    explicit ProductConnection(Deps d) : d_(std::move(d)) {}

    void EnterProduct();
    void closeToolStripMenuItem_Click();

private:
    Deps d_;
};

}  // namespace dravik
