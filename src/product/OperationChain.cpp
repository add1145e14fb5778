#include "product/OperationChain.h"

namespace dravik {

const std::function<void()>* takeChainedOperation(FunctionState& fs, const ModuleOperationHooks& hooks) {
    if (fs.loadConfiguration_CheckedProtocol_flag == CHAIN_WRITE) {
        fs.loadConfiguration_CheckedProtocol_flag = CHAIN_NONE;
        return &hooks.Write_SELECTION_Protocols_fnc;
    }
    if (fs.loadConfiguration_SelectedProtocol_flag == CHAIN_WRITE) {
        fs.loadConfiguration_SelectedProtocol_flag = CHAIN_NONE;
        return &hooks.SetProtocol_fnc;
    }
    if (fs.loadConfiguration_CheckedProtocol_flag == CHAIN_READ) {
        fs.loadConfiguration_CheckedProtocol_flag = CHAIN_NONE;
        return &hooks.Read_ALL_Protocol_fnc;
    }
    if (fs.loadConfiguration_SelectedProtocol_flag == CHAIN_READ) {
        fs.loadConfiguration_SelectedProtocol_flag = CHAIN_NONE;
        return &hooks.Read_SELECTION_Protocols_fnc;
    }
    return nullptr;
}

void dropChainedOperations(FunctionState& fs) {
    fs.loadConfiguration_Parameters_flag = CHAIN_NONE;
    fs.loadConfiguration_SelectedProtocol_flag = CHAIN_NONE;
    fs.loadConfiguration_CheckedProtocol_flag = CHAIN_NONE;
}

}  // namespace dravik
