// Reading the working slots and all slots of a slot module, and writing the checked selection.

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <algorithm>

#include "link/Views.h"
#include "module/EnterModule.h"
#include "module/Programmer.h"
#include "module/ProtocolFiles.h"
#include "product/PlainText.h"

namespace dravik {

namespace {
const QString kProcessTerminated = QStringLiteral("Process terminated");
const QString kTransmitError = QStringLiteral("Transmit error !");

// Group codes of ALL_SLOT_SETTINGS_INFO: below 100 the group itself, 101 to 199 the group + 100;
// 100 and codes from 200 keep the group stored before.
void applyGroupCode(std::uint8_t code, std::uint8_t& group) {
    if (code < 100) {
        group = code;
    } else if (code > 100 && code < 200) {
        group = static_cast<std::uint8_t>(code - 100);
    }
}

// Name, revision, version, decoder type and group from an answer (bytes 10 to 27).
void readSlotHeader(const dataBuffer& rx, Slot_T& slot) {
    slot.slot_number = rx[9];
    for (int k = 0; k < 14; ++k) slot.name[static_cast<std::size_t>(k)] = rx[10 + k];
    slot.revision = rx[24];
    slot.version = rx[25];
    slot.decoder_type = rx[26];
}
}  // namespace

void EnterModule::bothProgress(const QString& text, int percent, bool visible) {
    d_.progress.setProgressText(text, visible);
    d_.progress.setProgressValue(percent);
    const ModuleControls& c = controls();
    showPlainText(c.label_progressBar_protocol, text);
    c.label_progressBar_protocol->setVisible(visible);
    c.progressBar_protocol->setValue(percent);
}

// A count the tables cannot hold is refused before any slot is read.
bool EnterModule::slotCountFits(std::uint8_t count, int cmd) {
    if (count <= kSlotsTableSize) return true;
    fail(QStringLiteral("### %1 error! ### The module reports %2 slots; at most %3 can be read")
             .arg(commandLogName(cmd))
             .arg(count)
             .arg(kSlotsTableSize),
         kTransmitError);
    return false;
}

void EnterModule::readWorking() {
    std::fill_n(d_.tables.WorkingProtocolsGroups_Table.begin(), kSlotsTableSize, 0);
    const std::uint8_t working = d_.st.Mdl_VRAK_Working_Slots_Number;
    if (!slotCountFits(working, SLOT_SETTINGS_INFO)) return;
    if (working == 0) {
        panel_.clear(controls().panel_Module);
        d_.ms.EnterModule_state = MODULE_OPERATION_END;
        return;
    }
    d_.st.Slot_Num = 1;
    nextSlotRequest(SLOT_SETTINGS_INFO, QString(), 0);
}

void EnterModule::onSlotInfo() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    const std::uint8_t working = st.Mdl_VRAK_Working_Slots_Number;
    if (rx[9] == st.Slot_Num && st.Slot_Num <= kSlotsTableSize) {
        Slot_T& slot = d_.tables.SlotsTable[static_cast<std::size_t>(st.Slot_Num - 1)];
        readSlotHeader(rx, slot);
        slot.group = rx[27];
        slot.module_type = d_.mod.Mod_SoftwareType;
        slot.module_version = d_.mod.Mod_SoftwareVersion;
        slot.slot_mem.fill(0);
        slot.file_marker = 0;
        if (slot.group != 0 && slot.group < kGroupFlags)
            d_.tables.WorkingProtocolsGroups_Table[slot.group] = 1;
        ++st.Slot_Num;
    } else {
        ++d_.prd.RetryNum;
    }
    if (st.Slot_Num > working) {
        int loaded = 0;
        if (!d_.handler.CommandIsInProgress(true)) {
            const ProtocolLoadContext context{working, st.Mdl_VRAK_All_Slots_Number, d_.mod.Mod_SoftwareType};
            loaded = LoadExtProtocols(d_.protocolsFolder ? d_.protocolsFolder() : QString(), context,
                                      d_.tables, d_.log);
        }
        Fill_Working_VRAK_Protocols(static_cast<std::uint16_t>(working + loaded), false);
        bothProgress(kProcessTerminated, 0);
    } else {
        nextSlotRequest(SLOT_SETTINGS_INFO, QStringLiteral("Reading SELECTED slots..."), working);
    }
}

// Asks for the slot Slot_Num (with a progress text unless total is 0). A wrong answer asks again
// for the same slot, three times at most; then the read ends with the command's error line.
void EnterModule::nextSlotRequest(int cmd, const QString& progressText, std::uint8_t total) {
    if (d_.prd.RetryNum >= kSlotRetries) {
        d_.prd.RetryNum = 0;
        bothProgress(kTransmitError, 0);
        fail(QStringLiteral("### ") + commandLogName(cmd) + QStringLiteral(" error! ###"), kTransmitError);
        return;
    }
    d_.hs.TxBuffer_usb[kData] = d_.st.Slot_Num;
    request(cmd);
    if (total > 0) bothProgress(progressText, d_.st.Slot_Num * 100 / total);
}

void EnterModule::readAll() {
    const std::uint8_t all = d_.st.Mdl_VRAK_All_Slots_Number;
    if (!slotCountFits(all, ALL_SLOT_SETTINGS_INFO)) return;
    if (all == 0) {
        controls().checkedListBox_ProtocolSelection->clear();
        d_.ms.EnterModule_state = MODULE_OPERATION_END;
        return;
    }
    d_.st.Slot_Num = 1;
    nextSlotRequest(ALL_SLOT_SETTINGS_INFO, QString(), 0);
}

void EnterModule::onAllSlotInfo() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    const std::uint8_t all = st.Mdl_VRAK_All_Slots_Number;
    if (rx[9] == st.Slot_Num && st.Slot_Num <= kSlotsTableSize) {
        Slot_T& slot = d_.tables.All_SlotsTable[static_cast<std::size_t>(st.Slot_Num - 1)];
        readSlotHeader(rx, slot);
        applyGroupCode(rx[27], slot.group);
        for (int k = 0; k < 4; ++k) slot.slot_mem[static_cast<std::size_t>(k)] = rx[28 + k];
        slot.module_type = d_.mod.Mod_SoftwareType;
        slot.module_version = d_.mod.Mod_SoftwareVersion;
        slot.file_marker = 0;
        ++st.Slot_Num;
    } else {
        ++d_.prd.RetryNum;
    }
    const ModuleControls& c = controls();
    if (st.Slot_Num > all) {
        c.label_progressBar_protocol->setText(kProcessTerminated);
        c.progressBar_protocol->setValue(0);
        Fill_All_VRAK_Protocols(all);
        d_.progress.setProgressValue(0);
        d_.progress.setProgressText(kProcessTerminated, true);
        d_.ms.EnterModule_state = MODULE_OPERATION_END;
    } else {
        nextSlotRequest(ALL_SLOT_SETTINGS_INFO, QStringLiteral("Reading ALL slots..."), all);
    }
}

void EnterModule::checkProtection() {
    if (d_.st.Mdl_VRAK_Slots_Protection == 0) {
        d_.ms.EnterModule_state = MODULE_WRITE_SELECTION;
        return;
    }
    d_.dialogs.message(
        QStringLiteral("The module protection is active. Insert password and unlock the module first."),
        QStringLiteral("Module protection check"), Dialogs::Buttons::Ok, Dialogs::Icon::Error);
    controls().textBox_modue_password->clear();
    fail(QString(), QStringLiteral("Module locked: the slots selection is not written"));
}

void EnterModule::writeSelection() {
    const ModuleControls& c = controls();
    if (c.checkedListBox_ProtocolSelection->count() == 0) {
        c.label_progressBar_protocol->setText(kProcessTerminated);
        d_.ms.EnterModule_state = MODULE_OPERATION_END;
        return;
    }
    d_.st.Slot_Num = 1;
    sendWriteSlots();
}

// The item at the 1-based position Slot_Num, with its four slot state bytes, addressed by its own
// slot number: an older version left out of the list would otherwise shift every later item onto
// its neighbour's slot.
void EnterModule::sendWriteSlots() {
    QListWidget* list = controls().checkedListBox_ProtocolSelection;
    QListWidgetItem* item = list->item(d_.st.Slot_Num - 1);
    if (item == nullptr) {
        fail(QStringLiteral(
                 "### WRITE_SLOTS_SETTINGS error! ### The protocol list changed while it was written"),
             QStringLiteral("The protocol list changed while it was written"));
        return;
    }
    const Programmer p = item->data(Qt::UserRole).value<Programmer>();
    dataBuffer& tx = d_.hs.TxBuffer_usb;
    tx[kData] = p.Decode_number;
    tx[kData + 1] = p.Slot_mem1;
    tx[kData + 2] = p.Slot_mem2;
    tx[kData + 3] = p.Slot_mem3;
    tx[kData + 4] = p.Slot_mem4;
    request(WRITE_SLOTS_SETTINGS);
}

void EnterModule::onWriteSlots() {
    if (d_.hs.RxBuffer_usb[9] != 1) {
        fail(QStringLiteral("### WRITE_SLOTS_SETTINGS error! ###"),
             QStringLiteral("Module refused the slots selection"));
        return;
    }
    const int items = controls().checkedListBox_ProtocolSelection->count();
    ++d_.st.Slot_Num;
    if (d_.st.Slot_Num > items) {
        const ModuleControls& c = controls();
        d_.progress.setProgressValue(0);
        c.label_progressBar_protocol->setVisible(true);
        c.progressBar_protocol->setValue(0);
        journalEnd(true);
        SetProtocol_fnc();
    } else {
        sendWriteSlots();
        bothProgress(QStringLiteral("Writing slots selection..."), d_.st.Slot_Num * 100 / items);
    }
}

}  // namespace dravik
