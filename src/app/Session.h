#pragma once
// The whole system state, one struct per subsystem, owned by the window for the whole run.

#include "connection/ConnectionState.h"
#include "link/HandlerState.h"
#include "database/ProductState.h"
#include "module/ModuleStatus.h"
#include "module/SlotTables.h"

namespace dravik {

struct Session {
    HandlerState link;
    MachineStates machines;
    ConnectionState connection;
    ProductState product;
    ModuleState module;
    ModuleStatus moduleStatus;
    SlotTables slotTables;
};

}  // namespace dravik
