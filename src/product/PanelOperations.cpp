#include "product/PanelOperations.h"

#include <QColor>
#include <QLineEdit>
#include <QSignalBlocker>

#include "connection/AutoConnection.h"
#include "product/OperationChain.h"
#include "product/ValueEncoding.h"

namespace dravik {

namespace {

const QString kWaitPrevious = QStringLiteral("Wait until the previous command is completed!");
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

// A refusal touches nothing of the operation that may be running: its chained steps (the module
// part of "Set all" or "Read all") stay as they are.
void PanelOperations::refuse(const QString& text) {
    d_.log.appendLog(text + kCrLf);
    d_.progress.setProgressText(text, true);
}

// Without a product nothing runs: the chained steps the refused operation has set are dropped, or
// a flag left pending would start a module write at the end of some later read.
void PanelOperations::dropChainedSteps() { dropChainedOperations(d_.fs); }

// Every panel operation starts here: only with a product to talk to, and with the machine's start
// state set before the pump is woken.
bool PanelOperations::productReachable() const { return d_.cs.Interface_connected && d_.prd.Prd_connected == 1; }

bool PanelOperations::startMachine(std::uint8_t operation) {
    if (!productReachable()) {
        dropChainedSteps();
        refuse(QStringLiteral("No product connected."));
        return false;
    }
    d_.handler.startOperation([&] {
        d_.prd.Fnc_OperationToDo = operation;
        d_.ms.EnterFunctions_state = EnterFunc_START;
        d_.cs.Working_parameters = 1;
    });
    return true;
}

bool PanelOperations::guardedStart(const QString& progressText) {
    if (!takeOverFromAutoConnection(d_.cs, d_.handler) && d_.handler.CommandIsInProgress(true)) return false;
    if (moduleOperationHalfWay()) return false;
    d_.progress.setProgressText(progressText, true);
    return true;
}

// A module operation half-way (its handler idle in a pause) keeps the pump: the product operation
// waits, or the module's would be left frozen. Nothing of the running operation is touched.
bool PanelOperations::moduleOperationHalfWay() {
    if (!otherOperationHalfWay(d_.cs, d_.ms, 1)) return false;
    d_.log.appendLog(kWaitPrevious + kCrLf);
    d_.progress.setProgressText(kWaitPrevious, true);
    return true;
}

// Operations that wait for an idle handler: a pending automatic check gives way to them; any other
// command makes them refuse, visibly.
bool PanelOperations::takeOverIdleHandler() {
    takeOverFromAutoConnection(d_.cs, d_.handler);
    if (moduleOperationHalfWay()) return false;
    if (handlerIdle()) return true;
    refuse(kWaitPrevious);
    return false;
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

bool PanelOperations::ReadParameters_fnc() {
    if (d_.handler.CommandIsInProgress(true)) return false;
    return handlerIdle() && startMachine(OP_READ);
}

// An operation started while a command is outstanding would lose its answer, so the set waits
// for an idle handler like the other starters.
bool PanelOperations::SetParameters_fnc() {
    if (!handlerIdle()) {
        refuse(kWaitPrevious);
        return false;
    }
    return startMachine(OP_SET);
}

// The row's text stays red until the read-back after the write shows the product holds it.
void PanelOperations::FunctionButton_Click(int row) {
    if (!takeOverIdleHandler()) return;
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
    startMachine(OP_SET_ONE);
}

void PanelOperations::DefaultParameters_fnc() {
    if (takeOverIdleHandler()) startMachine(OP_DEFAULTS);
}

// A refused start puts back the chained steps it had set: they may belong to a running operation.
void PanelOperations::ReadAll() {
    FunctionState& fs = d_.fs;
    const ChainedSteps previous = chainedSteps();
    fs.loadConfiguration_Parameters_flag = CHAIN_READ;
    fs.loadConfiguration_SelectedProtocol_flag = CHAIN_READ;
    fs.loadConfiguration_CheckedProtocol_flag =
        d_.mod.Mod_SoftwareType == kReadsAllProtocols ? CHAIN_READ : CHAIN_NONE;
    if (fs.loadConfiguration_Parameters_flag == CHAIN_READ) {
        fs.loadConfiguration_Parameters_flag = CHAIN_NONE;
        if (!ReadParameters_fnc()) restoreChainedSteps(previous);
    }
}

void PanelOperations::SetAll() {
    const ChainedSteps previous = chainedSteps();
    if (takesPartInSetAll(d_.mod.Mod_SoftwareType))
        d_.fs.loadConfiguration_SelectedProtocol_flag = CHAIN_WRITE;
    if (!SetParameters_fnc()) restoreChainedSteps(previous);
}

PanelOperations::ChainedSteps PanelOperations::chainedSteps() const {
    return {d_.fs.loadConfiguration_Parameters_flag, d_.fs.loadConfiguration_SelectedProtocol_flag,
            d_.fs.loadConfiguration_CheckedProtocol_flag};
}

void PanelOperations::restoreChainedSteps(const ChainedSteps& previous) {
    if (!productReachable()) return;  // dropped: nothing runs
    d_.fs.loadConfiguration_Parameters_flag = previous.parameters;
    d_.fs.loadConfiguration_SelectedProtocol_flag = previous.selectedProtocol;
    d_.fs.loadConfiguration_CheckedProtocol_flag = previous.checkedProtocol;
}

void PanelOperations::CheckForChanges() {
    ProductPanel& panel = d_.functions.panel();
    for (int row = 0; row < panel.rowCount(); ++row) {
        const int selected = panel.selectedIndex(row);
        const auto& items = panel.row(row).items;
        if (selected < 0 || static_cast<std::size_t>(selected) >= items.size()) continue;
        const function_parameters& it = items[static_cast<std::size_t>(selected)];
        // A row never read from the product cannot equal it.
        const bool same = panel.row(row).known && (it.mask & it.actual_value) == it.value;
        panel.setListColour(row, same ? Qt::black : Qt::red);
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
