#include "config/ModuleConfigAdapter.h"

#include "module/Programmer.h"

namespace dravik {

namespace {
Programmer programmerOf(const QListWidgetItem* item) { return item->data(Qt::UserRole).value<Programmer>(); }
}  // namespace

ConfigModuleSelection ModuleConfigAdapter::currentSelection() {
    ConfigModuleSelection sel;
    sel.Decode_toSet = static_cast<std::uint8_t>(st_.Decode_toSet);
    sel.Decode_Version_toSet = static_cast<std::uint8_t>(st_.Decode_Version_toSet);
    sel.Slot_toSet = static_cast<std::uint8_t>(st_.Slot_toSet);
    sel.ParA_toSet = st_.ParA_toSet;
    sel.ParB_C_toSet = st_.ParB_C_toSet;
    sel.Mdl_Selected_MaxParameter_B_C = st_.Mdl_Selected_MaxParameter_B_C;
    sel.FileProtocolPath = st_.FileProtocolPath;
    const ModuleControls& c = module_.controls();
    QListWidget* list = c.checkedListBox_ProtocolSelection;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        if (item->checkState() != Qt::Checked) continue;
        const Programmer p = programmerOf(item);
        sel.checked.push_back({p.Decode_type, p.Decode_version, p.Decode_number, p.Decode_group});
    }
    sel.password = c.textBox_modue_password->text();
    return sel;
}

void ModuleConfigAdapter::clearProtocolChecks() {
    module_.controls().checkBox_AllGroup->setChecked(false);
    module_.SelectDeselect_slots(false);
}

// The panel shows the file's protocol and parameters. Opening a file sends nothing: a machine that
// was at rest stays at rest (the download sets what the panel shows).
void ModuleConfigAdapter::applyModuleParameters(const ConfigModuleToApply& v) {
    st_.Mdl_Selected_Decode = v.Mdl_Selected_Decode;
    st_.Mdl_Selected_Decode_Version = v.Mdl_Selected_Decode_Version;
    st_.Mdl_Selected_Slot = v.Mdl_Selected_Slot;
    st_.Mdl_Selected_MaxParameter_B_C = v.Mdl_Selected_MaxParameter_B_C;
    st_.FileProtocolPath = v.FileProtocolPath;
    st_.Load_Mdl_Selected_Parameter_A = v.Load_ParA;
    st_.Load_Mdl_Selected_Parameter_B_C = v.Load_ParB_C;
    const int before = ms_.EnterModule_state;
    module_.Fill_Working_VRAK_Protocols(st_.Mdl_VRAK_Working_Slots_Number, true);
    if (before == MODULE_STOPPED) ms_.EnterModule_state = MODULE_STOPPED;
}

void ModuleConfigAdapter::checkMatchingProtocols(std::uint8_t decodeType, std::uint8_t decodeVersion,
                                                 std::uint8_t decodeGroup) {
    QListWidget* list = module_.controls().checkedListBox_ProtocolSelection;
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const Programmer p = programmerOf(item);
        if (p.Decode_type == decodeType && p.Decode_version == decodeVersion && p.Decode_group == decodeGroup)
            item->setCheckState(Qt::Checked);
    }
}

}  // namespace dravik
