// The two routes to the module at the start of every operation: the adapter's link switched to a
// module on the cable, or a module behind the product whose settings are read from its memory.

#include "connection/MbusSetup.h"
#include "module/EnterModule.h"

namespace dravik {

void EnterModule::start() {
    d_.prd.baudrate = 0;
    d_.hs.SendDataSlotRetry = 0;
    if (directRoute()) {
        startDirect();
    } else {
        startThroughProduct();
    }
}

// The adapter's link goes to the module: all lines off at the module's speed, then supply and
// output 1 high on with the key off, which is when the module listens.
void EnterModule::startDirect() {
    ConnectionState& cs = d_.cs;
    if (cs.Actual_communication == 2 || cs.Reboot == 1 || d_.hs.Product_supply.load() == 0) {
        cs.Reboot = 0;
        cs.Actual_communication = 1;
        d_.hs.Output_value = kOutputsAllOff;
        d_.hs.Baudrate_value = d_.mod.Mod_Speed;
        loadMbusScript(cs, {kOutputsModuleOn, 0, MBUS_SETUP}, {0, 0, ACTUAL_SLOT_CONFIGURATION});
        request(MBUS_SETUP);
    } else if (cs.Actual_communication == 1) {
        request(ACTUAL_SLOT_CONFIGURATION);
    } else {
        fail(QStringLiteral("Module: the link is set up for no known device (%1)")
                 .arg(cs.Actual_communication));
    }
}

void EnterModule::startThroughProduct() {
    if (d_.cs.Actual_communication != 2) {
        // The link is set up for a module on the cable, not for the product that holds this one.
        fail(QStringLiteral("Module: the link is not set up for the product"));
        return;
    }
    switch (d_.st.Mdl_OperationToDo) {
        case OP_READ_SELECTION:
            if (d_.prd.Prd_Module_Info_Address_Length > d_.st.module_data.size()) {
                fail(QStringLiteral("Module information of %1 bytes refused: at most %2 are read")
                         .arg(d_.prd.Prd_Module_Info_Address_Length)
                         .arg(d_.st.module_data.size()));
                return;
            }
            d_.st.Read_ModuleInfo_index = 0;
            d_.hs.TxBuffer_usb[kData] = d_.prd.Prd_Module_Info_Address;
            request(MEMORY_READ);
            break;
        case OP_SET_PROTOCOL:
            d_.ms.EnterModule_state = MODULE_SETUP;
            break;
        case OP_RESET_SELECTION:
            d_.ms.EnterModule_state = MODULE_RESET_SELECTION;
            break;
        default:
            d_.ms.EnterModule_state = MODULE_STOPPED;
            break;
    }
}

// The module needs a second after each link set-up before and after the next entry: the pump holds
// its next run that long, the window stays live.
void EnterModule::onSetupAnswer() {
    d_.pump.hold(2 * kPauseAfterSetupMs);
    if (Mbus_setup_SM(d_.cs, d_.hs) == 1) {
        d_.ms.EnterModule_state = MODULE_SEND;
    } else {
        fail(QStringLiteral("Module: nothing follows the link set-up"));
    }
}

}  // namespace dravik
