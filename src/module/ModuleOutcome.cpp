// The module operations as the vehicle report keeps them: which protocol went into which slot,
// whether the module's checksum confirmed the file, and at which step a failure came, in words.

#include <QLineEdit>
#include <QStringList>
#include <utility>

#include "module/EnterModule.h"

namespace dravik {

namespace {

QString protectionWord(std::uint8_t state) {
    return state == 1   ? QStringLiteral("locked")
           : state == 0 ? QStringLiteral("unlocked")
                        : QStringLiteral("unknown");
}

}  // namespace

// Reads (the selection, every slot) are not journalled; a read the module does after a change
// belongs to that change, which has already ended.
void EnterModule::journalBegin(std::uint8_t operation) {
    if (operation == OP_READ_SELECTION || operation == OP_READ_ALL) return;
    journalUnfinished();
    verified_ = false;
    pendingOperation_ = operation;
    protectionBefore_ = d_.st.Mdl_VRAK_Slots_Protection;
    OperationOutcome o;
    switch (operation) {
        case OP_SET_PROTOCOL: {
            QComboBox* protocols = panel_.combo(0);
            const QString name = protocols != nullptr ? protocols->currentText().trimmed() : QString();
            const QString file = controls().textBox_protocolPath->text();
            const QString place = d_.mod.Mod_SoftwareType == kModuleA2
                                      ? QStringLiteral("decoder %1").arg(d_.st.Decode_toSet)
                                      : QStringLiteral("slot %1").arg(d_.st.Slot_toSet);
            o.operation =
                file.isEmpty() ? QStringLiteral("Protocol selected") : QStringLiteral("Protocol programmed");
            o.detail = file.isEmpty() ? QStringLiteral("%1, %2").arg(name, place)
                                      : QStringLiteral("file %1 (%2), %3").arg(file, name, place);
            break;
        }
        case OP_RESET_SELECTION:
            o.operation = QStringLiteral("Protocol selection reset");
            break;
        case OP_WRITE_SELECTION:
            o.operation = QStringLiteral("Slots selection written");
            o.detail = QStringLiteral("%1 protocols in the list")
                           .arg(controls().checkedListBox_ProtocolSelection->count());
            break;
        case OP_PROTECTION:
            o.operation =
                protectionBefore_ == 1 ? QStringLiteral("Module unlocked") : QStringLiteral("Module locked");
            break;
        case OP_READ_LOGS:
            o.operation = QStringLiteral("Event log read");
            break;
        case OP_CLEAR_LOGS:
            o.operation = QStringLiteral("Event log cleared");
            break;
        default:
            o.operation = QStringLiteral("Module operation");
            break;
    }
    pending_ = o;
}

void EnterModule::journalEnd(bool ok, const QString& why) {
    if (!pending_) {
        // A failed read is kept too: the report says what could not be read.
        if (!ok) d_.journal.operationEnded({QStringLiteral("Module protocols read"), false, why});
        return;
    }
    OperationOutcome o = *std::exchange(pending_, std::nullopt);
    QStringList detail;
    if (!o.detail.isEmpty()) detail.append(o.detail);
    if (ok && pendingOperation_ == OP_SET_PROTOCOL && verified_)
        detail.append(QStringLiteral("verified by the module's checksum"));
    if (ok && pendingOperation_ == OP_PROTECTION) {
        // The module's answer is not examined; what it reports afterwards is.
        const std::uint8_t now = d_.st.Mdl_VRAK_Slots_Protection;
        ok = now != protectionBefore_ && now <= 1;
        detail.append(QStringLiteral("the module now reports itself ") + protectionWord(now));
    }
    if (!ok && !why.isEmpty()) detail.append(why);
    o.ok = ok;
    o.detail = detail.join(QLatin1Char('\n'));
    d_.journal.operationEnded(o);
}

// A refusal or a silence is told by the step it came at; a failure found before anything was
// sent already says why in words (its log line), unless that line is a frame error line.
QString EnterModule::failureWords(const QString& logLine, const QString& progressText) const {
    const ModuleStatus& st = d_.st;
    QString step;
    QString refusal;
    if (timedOut_ || d_.ms.EnterModule_state == MODULE_WAIT_ANSWER) {
        switch (d_.hs.SendingCmd) {
            case UNLOCK_VRAK_FLASH:
                step = QStringLiteral("opening the module's memory for writing");
                refusal = QStringLiteral("the module refused");
                break;
            case SEND_DATA_SLOT:
                step = QStringLiteral("sending slot %1, line %2 of the file")
                           .arg(st.Tx_slot_counter)
                           .arg(st.Tx_line_counter);
                refusal = QStringLiteral("the module did not take the line");
                break;
            case VERIFY_FIRMWARE:
                step = QStringLiteral("the checksum check");
                refusal = QStringLiteral("the module's memory does not hold the file");
                break;
            case INDEX_SLOT_SETUP:
            case DECODE_SLOT_SETUP:
                step = QStringLiteral("setting the module's working protocol");
                refusal = QStringLiteral("the module refused the protocol");
                break;
            case RESET_VRAK:
                step = QStringLiteral("resetting the selection");
                refusal = QStringLiteral("the module refused");
                break;
            case WRITE_SLOTS_SETTINGS:
                step = QStringLiteral("writing the slots selection");
                refusal = QStringLiteral("the module refused it");
                break;
            case CLEAR_MODULE_LOGS:
                step = QStringLiteral("clearing the event log");
                refusal = QStringLiteral("the module refused");
                break;
            case TEST_MODE:
            case AUX_MODULE_SETUP:
            case AUX_MODULE_CONFIG:
                step = QStringLiteral("passing the settings to the product");
                break;
            default:
                break;
        }
    }
    if (timedOut_) {
        const QString silent = QStringLiteral("no answer from the module");
        return step.isEmpty() ? silent : QStringLiteral("failed at %1: %2").arg(step, silent);
    }
    if (!step.isEmpty() && !refusal.isEmpty()) return QStringLiteral("failed at %1: %2").arg(step, refusal);
    QString words = logLine.isEmpty() || logLine.startsWith(QStringLiteral("###")) ? progressText : logLine;
    if (words.startsWith(QStringLiteral("Module: "))) words = words.mid(8);
    return words.trimmed();
}

}  // namespace dravik
