#include "product/PanelOperations.h"

#include <QColor>
#include <QLineEdit>
#include <QSignalBlocker>

#include "connection/AutoConnection.h"
#include "product/ValueEncoding.h"

namespace dravik {

namespace {

const QString kWaitPrevious = QStringLiteral("Wait until the previous command is completed!\r\n");
const QString kSetParameterCaption = QStringLiteral("Set product parameter     ");

// Module software types whose selected protocol is written by set-all; only 0xA2 has all its
// protocols read by read-all.
constexpr std::uint8_t kReadsAllProtocols = 0xA2;
bool takesPartInSetAll(std::uint8_t type) {
    return type == 0xA1 || type == 0xA2 || type == 0x1F || type == 0x10 || type == 0x81;
}


}  // namespace

PanelOperations::PanelOperations(Deps d) : d_(std::move(d)) {
    ProductPanel& panel = d_.functions.panel();
    panel.onSelectionCommitted = [this](int) { CheckForChanges(); };
    panel.onButtonClicked = [this](int row) { FunctionButton_Click(row); };
    panel.onTextChanged = [this](int row) { ProductTextBox_Changed(row); };
}

bool PanelOperations::handlerIdle() { return d_.handler.WatchBus(0, true) == RESULT_IDLE; }

void PanelOperations::startMachine(std::uint8_t operation) {
    d_.prd.Fnc_OperationToDo = operation;
    d_.ms.EnterFunctions_state = EnterFunc_START;
    d_.cs.Working_parameters = 1;
}

bool PanelOperations::guardedStart(const QString& progressText) {
    if (!takeOverForUserOperation(d_.cs, d_.handler)) return false;
    d_.progress.setProgressText(progressText, true);
    return true;
}

void PanelOperations::button_ReadParameters_Click() {
    if (guardedStart(QStringLiteral("Reading product parameters..."))) ReadParameters_fnc();
}

void PanelOperations::button_SetParameters_Click() {
    if (guardedStart(QStringLiteral("Setting product parameters..."))) SetParameters_fnc();
}

void PanelOperations::buttonReadAll_Click() {
    if (!guardedStart(QStringLiteral("Reading all..."))) return;
    if (d_.mod.Mod_SoftwareType == 0) {
        ReadParameters_fnc();
    } else {
        ReadAll();
    }
}

void PanelOperations::buttonSetAll_Click() {
    if (guardedStart(QStringLiteral("Setting all..."))) SetAll();
}

void PanelOperations::buttonCfgDownload_Click() {
    if (!guardedStart(QStringLiteral("Read file..."))) return;
    d_.progress.setProgressValue(0);
    if (!reloadConfiguration || !reloadConfiguration()) {
        // Without the file's values the panel holds nothing the user chose to download.
        d_.progress.setProgressText(QString(), false);
        return;
    }
    d_.progress.setProgressText(QStringLiteral("Download file..."), true);
    SetAll();
}

void PanelOperations::ReadParameters_fnc() {
    if (d_.handler.CommandIsInProgress(true)) return;
    if (handlerIdle()) startMachine(OP_READ);
    d_.handler.wakeup();
}

// An operation started while a command is outstanding would lose its answer, so the set waits
// for an idle handler like the other starters. The machine's start state is set before the pump
// is woken: a pump that ran its cycle at once would otherwise find every machine at rest and stop.
void PanelOperations::SetParameters_fnc() {
    if (handlerIdle()) {
        startMachine(OP_SET);
    } else {
        d_.log.appendLog(kWaitPrevious);
    }
    d_.handler.wakeup();
}

void PanelOperations::FunctionButton_Click(int row) {
    if (!handlerIdle()) {
        d_.log.appendLog(kWaitPrevious);
        return;
    }
    ProductPanel& panel = d_.functions.panel();
    if (row < 0 || row >= panel.rowCount()) return;
    const ProductPanel::Row& r = panel.row(row);
    if (!r.items.empty() && isTextKind(r.kind()) && !r.text.isNull() && !r.text->text().isEmpty()) {
        const TextEncoding enc = encodeText(r.items.front(), r.text->text());
        if (!enc.ok) {
            d_.dialogs.message(QStringLiteral("%1: %2").arg(r.name, enc.error), kSetParameterCaption);
            return;
        }
    }
    d_.fs.Function_index = static_cast<std::uint16_t>(row);
    panel.setTextColour(row, Qt::black);
    startMachine(OP_SET_ONE);
    d_.handler.wakeup();
}

void PanelOperations::DefaultParameters_fnc() {
    if (handlerIdle()) {
        startMachine(OP_DEFAULTS);
    } else {
        d_.log.appendLog(kWaitPrevious);
    }
    d_.handler.wakeup();
}

void PanelOperations::ReadAll() {
    FunctionState& fs = d_.fs;
    fs.loadConfiguration_Parameters_flag = CHAIN_READ;
    fs.loadConfiguration_SelectedProtocol_flag = CHAIN_READ;
    fs.loadConfiguration_CheckedProtocol_flag =
        d_.mod.Mod_SoftwareType == kReadsAllProtocols ? CHAIN_READ : CHAIN_NONE;
    if (fs.loadConfiguration_Parameters_flag == CHAIN_READ) {
        fs.loadConfiguration_Parameters_flag = CHAIN_NONE;
        ReadParameters_fnc();
    }
}

void PanelOperations::SetAll() {
    if (takesPartInSetAll(d_.mod.Mod_SoftwareType))
        d_.fs.loadConfiguration_SelectedProtocol_flag = CHAIN_WRITE;
    SetParameters_fnc();
}

void PanelOperations::CheckForChanges() {
    ProductPanel& panel = d_.functions.panel();
    for (int row = 0; row < panel.rowCount(); ++row) {
        const int selected = panel.selectedIndex(row);
        const auto& items = panel.row(row).items;
        if (selected < 0 || static_cast<std::size_t>(selected) >= items.size()) continue;
        const function_parameters& it = items[static_cast<std::size_t>(selected)];
        panel.setListColour(row, (it.mask & it.actual_value) != it.value ? Qt::red : Qt::black);
    }
}

void PanelOperations::ProductTextBox_Changed(int row) {
    ProductPanel& panel = d_.functions.panel();
    if (row < 0 || row >= panel.rowCount()) return;
    QLineEdit* box = panel.row(row).text;
    // Texts the machine writes itself are not checked.
    if (box->text().isEmpty() || d_.ms.EnterFunctions_state != EnterFunc_WAITING) return;
    const InputCheck check = checkTextInput(box->text(), box->maxLength());
    if (check.text != box->text()) {
        const QSignalBlocker block(box);
        box->setText(check.text);
    }
    panel.setTextColour(row, Qt::red);
    // The message box runs its own event loop, in which a device change may rebuild or clear the
    // panel: nothing of the row is touched after it.
    if (check.refused)
        d_.dialogs.message(QStringLiteral("Value must be contain only numbers ! "), kSetParameterCaption);
}

}  // namespace dravik
