// The machine's frame: start with or without the link set-up, sending, waiting for the answer,
// the identification check and the dispatch of answers.

#include "product/EnterFunctions.h"

#include <QColor>
#include <QWidget>

#include "connection/InterfaceConnection.h"
#include "connection/MbusSetup.h"

namespace dravik {


EnterFunctions::EnterFunctions(Deps d) : d_(std::move(d)) {}

EnterFunctions::~EnterFunctions() = default;

QWidget* EnterFunctions::container() {
    if (container_ != nullptr) return container_;
    if (!ownContainer_) ownContainer_ = std::make_unique<QWidget>();
    return ownContainer_.get();
}

void EnterFunctions::step() {
    int& state = d_.ms.EnterFunctions_state;
    switch (state) {
        case EnterFunc_IDLE:
        case EnterFunc_WAITING:
            break;
        case EnterFunc_START:
            start();
            break;
        case EnterFunc_SEND:
            send();
            break;
        case EnterFunc_ANSWER:
            answer();
            break;
        case EnterFunc_BUILD:
            build();
            break;
        case EnterFunc_READ:
            readPass();
            break;
        case EnterFunc_WRITE:
            write();
            break;
        case EnterFunc_PREREAD:
            preRead();
            break;
        case EnterFunc_WRITE_ONE:
            writeOne();
            break;
        case EnterFunc_DEFAULT:
            // From here on no row may show a value as the product's until it is read again.
            for (int row = 0; row < panel_.rowCount(); ++row) panel_.forgetValue(row);
            d_.hs.SendingCmd = PARKING_DEFAUTL;
            state = EnterFunc_SEND;
            break;
        case EnterFunc_END:
            endOfPass();
            break;
        default:
            state = EnterFunc_START;
            break;
    }
}

// After the module was addressed, after a failure or with the product unpowered the product is
// switched off and on again at its speed; it restarts and then answers the identification.
void EnterFunctions::start() {
    ProductState& p = d_.prd;
    ConnectionState& cs = d_.cs;
    p.baudrate = 0;
    p.RetryNum = 0;
    keptTextRows_ = 0;
    journalUnfinished();
    if (cs.Actual_communication == 1 || cs.Reboot == 1 || d_.hs.Product_supply.load() == 0) {
        cs.Reboot = 0;
        cs.Actual_communication = 2;
        p.baudrate = p.Prd_Speed != 0 ? p.Prd_Speed : std::uint8_t{1};
        d_.hs.Output_value = kOutputsAllOff;
        d_.hs.Baudrate_value = p.baudrate;
        loadMbusScript(cs, {kOutputsProductOn, p.baudrate, MBUS_SETUP}, {0, 0, IDENTIFICATION});
        d_.hs.SendingCmd = MBUS_SETUP;
        d_.ms.EnterFunctions_state = EnterFunc_SEND;
    } else if (cs.Actual_communication == 2) {
        d_.hs.SendingCmd = IDENTIFICATION;
        d_.ms.EnterFunctions_state = EnterFunc_SEND;
    }
}

void EnterFunctions::send() {
    if (d_.handler.WatchBus(d_.hs.SendingCmd, true) == RESULT_ACCEPTED) {
        d_.hs.Rx_timeout_val = kRxTimeoutTicks;
        d_.ms.EnterFunctions_state = EnterFunc_ANSWER;
    }
}

void EnterFunctions::answer() {
    switch (d_.handler.WatchBus(0, true)) {
        case RESULT_TIMEOUT:
            d_.hs.release();
            onTimeout();
            break;
        case RESULT_ANSWER_OK:
            onAnswerOk();
            break;
        default:
            break;
    }
}

void EnterFunctions::onTimeout() {
    const int cmd = d_.hs.SendingCmd;
    if (cmd == IDENTIFICATION && d_.prd.RetryNum < 1) {
        ++d_.prd.RetryNum;
        d_.ms.EnterFunctions_state = EnterFunc_SEND;
        return;
    }
    // The operation ends here, visibly; the next start sets the link up again. An answer that came
    // but was not understood is told as such: the product is not silent.
    d_.cs.Reboot = 1;
    const QString name = commandLogName(cmd);
    if (d_.hs.AnswerNotUnderstood.load()) {
        d_.log.appendLog(QStringLiteral("Answer to ") + name +
                         QStringLiteral(" not understood: operation stopped") + kCrLf);
        fail(QStringLiteral("Process failed: answer to ") + name + QStringLiteral(" not understood"),
             QStringLiteral("the product gave an answer that was not understood"));
    } else {
        d_.log.appendLog(QStringLiteral("No answer to ") + name + QStringLiteral(": operation stopped") +
                         kCrLf);
        fail(QStringLiteral("Process failed: no answer to ") + name,
             cmd == IDENTIFICATION ? QStringLiteral("the product did not answer")
                                   : QStringLiteral("the product stopped answering"));
    }
    if (cmd == IDENTIFICATION) {
        d_.prd.RetryNum = 0;
        d_.iface.Reset_connection();
    }
}

// The rows the operation touched stay red (or show no value), and nothing it chained runs.
void EnterFunctions::fail(const QString& progressText, const QString& why) {
    journalEnd(false, why);
    verifyRow_ = -1;
    // A module operation waiting for this one's end does not start either.
    d_.ms.EnterModule_state = kEnterModuleWaiting;
    dropChainedOperations(d_.fs);
    rest(progressText);
}

void EnterFunctions::onAnswerOk() {
    switch (d_.hs.SendingCmd) {
        case MBUS_SETUP:
            // Both pauses come before the next request; the pump holds its next run that long.
            d_.pump.hold(kPauseBeforeSetupMs + kPauseAfterSetupMs);
            if (Mbus_setup_SM(d_.cs, d_.hs) == 1) d_.ms.EnterFunctions_state = EnterFunc_SEND;
            break;
        case IDENTIFICATION:
            onIdentification();
            break;
        case MEMORY_READ:
            onListByte(MEMORY_READ);
            break;
        case MEMORY_WRITE_read:
            onListByte(MEMORY_WRITE_read);
            break;
        case MEMORY_READ_2:
            onTextByte();
            break;
        case MEMORY_WRITE_write:
            onListByteWritten();
            break;
        case MEMORY_WRITE_2_read:
            onActionRead();
            break;
        case MEMORY_WRITE_2:
            onTextOrActionWritten();
            break;
        case PARKING_DEFAUTL:
            d_.log.appendLog(QStringLiteral("AutoConn: EnterFunc_sta = 2 EnterFunc_WAITING ") + kCrLf);
            // The product's values changed: the panel is read again, so no row shows an old value
            // in black.
            setCursor(1, 1);
            d_.ms.EnterFunctions_state = EnterFunc_READ;
            break;
        default:
            break;
    }
}

void EnterFunctions::onIdentification() {
    const std::uint8_t id = d_.hs.RxBuffer_usb[10];
    if (id != d_.prd.Prd_Id1) {
        // Another product answers: nothing of this one may be read or written. The operation is
        // abandoned and the machine rests; waiting in its answer state would hold every other
        // process (and the automatic connection) until the user pressed "Stop process".
        d_.log.appendLog(
            QStringLiteral("Another product answers (identification %1, expected %2): operation stopped")
                .arg(id)
                .arg(d_.prd.Prd_Id1) +
            kCrLf);
        fail(QStringLiteral("Process failed: another product answers"),
             QStringLiteral("another product answered in place of this one"));
        return;
    }
    d_.pump.hold(kPauseAfterIdentificationMs);
    switch (d_.prd.Fnc_OperationToDo) {
        case OP_BUILD_AND_READ:
        case OP_READ:
            setCursor(1, 1);
            // A build left half-way by an earlier operation starts again. Its first step is
            // taken now, within the product's pause: a panel built before is made ready for
            // the pass here, so the first read leaves when the pause ends.
            building_ = false;
            d_.ms.EnterFunctions_state = EnterFunc_BUILD;
            build();
            break;
        case OP_SET:
            setCursor(1, 1);
            d_.ms.EnterFunctions_state = EnterFunc_PREREAD;
            break;
        case OP_SET_ONE:
            setCursor(1, 1);
            d_.ms.EnterFunctions_state = EnterFunc_WRITE_ONE;
            break;
        case OP_DEFAULTS:
            d_.ms.EnterFunctions_state = EnterFunc_DEFAULT;
            break;
        default:
            break;
    }
}

void EnterFunctions::rest(const QString& progressText) {
    d_.ms.EnterFunctions_state = EnterFunc_WAITING;
    d_.progress.setProgressText(progressText, !progressText.isEmpty());
    d_.progress.setProgressValue(0);
}

void EnterFunctions::request(int cmd, std::uint16_t address) {
    d_.hs.TxBuffer_usb[kData] = static_cast<std::uint8_t>(address & 0xFF);
    d_.hs.SendingCmd = cmd;
    d_.ms.EnterFunctions_state = EnterFunc_SEND;
}

void EnterFunctions::requestWrite(int cmd, std::uint16_t address, std::uint8_t value) {
    d_.hs.TxBuffer_usb[kData + 1] = 0;
    d_.hs.TxBuffer_usb[kData + 2] = value;
    request(cmd, address);
}

void EnterFunctions::setCursor(int row, int item) {
    d_.fs.ComboBoxList_index = static_cast<std::uint16_t>(row);
    d_.fs.ComboBoxItem_index = static_cast<std::uint16_t>(item);
}

void EnterFunctions::nextRow() { setCursor(d_.fs.ComboBoxList_index + 1, 1); }

function_parameters& EnterFunctions::item(int row, int index) {
    return panel_.row(row).items[static_cast<std::size_t>(index)];
}

}  // namespace dravik
