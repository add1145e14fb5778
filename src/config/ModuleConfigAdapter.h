#pragma once
// The module side of a configuration backup: the selection the module panel and the protocol
// list hold, and a loaded file's selection shown on them.

#include "config/ConfigModulePort.h"
#include "link/HandlerState.h"
#include "module/EnterModule.h"

namespace dravik {

class ModuleConfigAdapter final : public ConfigModulePort {
  public:
    ModuleConfigAdapter(EnterModule& module, ModuleStatus& status, MachineStates& machines)
        : module_(module), st_(status), ms_(machines) {}

    ConfigModuleSelection currentSelection() override;
    void clearProtocolChecks() override;
    void applyModuleParameters(const ConfigModuleToApply& values) override;
    void checkMatchingProtocols(std::uint8_t decodeType, std::uint8_t decodeVersion,
                                std::uint8_t decodeGroup) override;

  private:
    EnterModule& module_;
    ModuleStatus& st_;
    MachineStates& ms_;
};

}  // namespace dravik
