// The module's current selection, which every operation reads first: from the product's memory
// for a module behind the product, from the module itself on the cable. The operation's own work
// follows from it.

#include "module/EnterModule.h"

namespace dravik {

namespace {
const QString kProcessTerminated = QStringLiteral("Process terminated");
}  // namespace

void EnterModule::onMemoryRead() {
    ModuleStatus& st = d_.st;
    if (st.Read_ModuleInfo_index < st.module_data.size())
        st.module_data[st.Read_ModuleInfo_index] = d_.hs.RxBuffer_usb[10];
    ++st.Read_ModuleInfo_index;
    if (st.Read_ModuleInfo_index < d_.prd.Prd_Module_Info_Address_Length &&
        st.Read_ModuleInfo_index < st.module_data.size()) {
        d_.hs.TxBuffer_usb[kData] =
            static_cast<std::uint8_t>(d_.prd.Prd_Module_Info_Address + st.Read_ModuleInfo_index);
        request(MEMORY_READ);
        return;
    }
    st.Mdl_Selected_Decode = st.module_data[0];
    st.prot_index =
        static_cast<std::uint8_t>(fillDatabaseSlots(d_.tables, database().moduleSlotSources(d_.mod.Mod_index),
                                                    d_.mod.Mod_SoftwareType, d_.mod.Mod_SoftwareVersion));
    panel_.clear(controls().panel_Module);
    d_.progress.setProgressValue(100);
    d_.ms.EnterModule_state = MODULE_INFO_DONE;
}

void EnterModule::infoDone() {
    ModuleStatus& st = d_.st;
    const auto& b = st.module_data;
    switch (d_.mod.Mod_SoftwareType) {
        case 16:
        case 31:
        case 47:
            st.Mdl_Selected_Parameter_A = b[0];
            st.Mdl_Selected_Parameter_B = 0;
            st.Mdl_Selected_Parameter_C = static_cast<std::uint16_t>((b[2] << 2) | b[1]);
            break;
        case 0x81:
            st.Mdl_Selected_Parameter_A = b[0];
            st.Mdl_Selected_Parameter_B = b[1] & 1;
            st.Mdl_Selected_Parameter_C = 0;
            break;
        default:
            st.Mdl_Selected_Parameter_A = 0;
            st.Mdl_Selected_Parameter_B = 0;
            st.Mdl_Selected_Parameter_C = 0;
            break;
    }
    st.Mdl_Selected_Parameter_B_C =
        static_cast<std::uint16_t>(st.Mdl_Selected_Parameter_B * 256 + st.Mdl_Selected_Parameter_C);
    st.Mdl_Selected_MaxParameter_B_C = static_cast<std::uint16_t>(d_.mod.Mdl_Selected_MaxParameter_B * 256 +
                                                                  d_.mod.Mdl_Selected_MaxParameter_C);
    Fill_Working_VRAK_Protocols(st.prot_index, false);
    d_.progress.setProgressValue(0);
    d_.progress.setProgressText(kProcessTerminated, true);
}

void EnterModule::onSlotConfiguration() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    st.Mdl_Selected_Decode_Version = rx[9];
    st.Mdl_Selected_Slot = rx[10];
    st.Mdl_Selected_Parameter_B = rx[11];
    st.Mdl_Selected_Parameter_C = rx[12];
    st.Mdl_VRAK_Working_Slots_Number = rx[13];
    d_.mod.Mdl_Selected_MaxParameter_B = rx[14];
    d_.mod.Mdl_Selected_MaxParameter_C = rx[15];
    st.Mdl_Selected_Decode = rx[16];
    st.Mdl_Selected_Parameter_B_C =
        static_cast<std::uint16_t>(st.Mdl_Selected_Parameter_B * 256 + st.Mdl_Selected_Parameter_C);
    st.Mdl_Selected_MaxParameter_B_C = static_cast<std::uint16_t>(d_.mod.Mdl_Selected_MaxParameter_B * 256 +
                                                                  d_.mod.Mdl_Selected_MaxParameter_C);

    switch (d_.mod.Mod_SoftwareType) {
        case kModuleA2:
            request(ACTUAL_ALL_SLOT_CONFIGURATION);
            break;
        case kModuleA1:
            switch (st.Mdl_OperationToDo) {
                case OP_READ_SELECTION:
                    d_.ms.EnterModule_state = MODULE_READ_WORKING;
                    break;
                case OP_SET_PROTOCOL:
                    d_.ms.EnterModule_state = MODULE_SET_PROTOCOL;
                    break;
                case OP_RESET_SELECTION:
                    d_.ms.EnterModule_state = MODULE_RESET_SELECTION;
                    break;
                default:
                    st.Mdl_OperationToDo = OP_NONE;
                    d_.ms.EnterModule_state = MODULE_OPERATION_END;
                    break;
            }
            break;
        default:
            fail(QStringLiteral("Module: software type %1 is not a slot module")
                     .arg(d_.mod.Mod_SoftwareType, 0, 16));
            break;
    }
}

void EnterModule::onAllSlotConfiguration() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    st.Mdl_VRAK_All_Slots_Number = rx[9];
    st.Mdl_VRAK_Slots_Protection = rx[10];
    st.Mdl_VRAK_Logs_Number = rx[11];
    padlock_handler();
    const ModuleControls& c = controls();
    c.button_reset_log->setEnabled(true);
    c.button_read_log->setEnabled(true);
    c.button_lock_unlock_protection->setEnabled(true);
    int& state = d_.ms.EnterModule_state;
    switch (st.Mdl_OperationToDo) {
        case OP_READ_SELECTION:
            state = MODULE_READ_WORKING;
            break;
        case OP_SET_PROTOCOL:
            state = MODULE_SET_PROTOCOL;
            break;
        case OP_READ_ALL:
            state = MODULE_READ_ALL;
            break;
        case OP_WRITE_SELECTION:
            state = MODULE_CHECK_PROTECTION;
            break;
        case OP_PROTECTION:
            state = MODULE_SET_PROTECTION;
            break;
        case OP_READ_LOGS:
            state = MODULE_READ_LOGS;
            break;
        case OP_CLEAR_LOGS:
            state = MODULE_CLEAR_LOGS;
            break;
        case OP_RESET_SELECTION:
            state = MODULE_RESET_SELECTION;
            break;
        default:
            st.Mdl_OperationToDo = OP_NONE;
            state = MODULE_OPERATION_END;
            break;
    }
}

}  // namespace dravik
