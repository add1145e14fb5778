#pragma once
// The chain by which the end of a product or module operation starts the module operation that
// a read-all, a set-all or a loaded configuration asked for: writes before reads, the checked
// selection before the working protocol.

#include <functional>

#include "product/FunctionState.h"

namespace dravik {

// Module operations the chain may start.
struct ModuleOperationHooks {
    std::function<void()> Write_SELECTION_Protocols_fnc;
    std::function<void()> SetProtocol_fnc;
    std::function<void()> Read_ALL_Protocol_fnc;
    std::function<void()> Read_SELECTION_Protocols_fnc;
};

// The first pending operation of the chain, its flag cleared; nullptr when no flag asks for one.
const std::function<void()>* takeChainedOperation(FunctionState& fs, const ModuleOperationHooks& hooks);

// Forgets every pending step: after a failure nothing chained to the failed operation may run.
void dropChainedOperations(FunctionState& fs);

}  // namespace dravik
