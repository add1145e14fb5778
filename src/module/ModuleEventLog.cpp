// Reading and clearing a direct module's event log, one entry per cycle, into the log page.

#include <QPlainTextEdit>
#include <QTextCursor>

#include "module/EnterModule.h"
#include "module/ModuleFrames.h"

namespace dravik {

namespace {
constexpr std::uint8_t kClearLogs = 0xFF;

bool noLogs(std::uint8_t count) { return count == 0 || count == 0xFF; }
}  // namespace

void EnterModule::button_read_log_Click() {
    if (!userGuard()) return;
    controls().TextBox_log->clear();
    READ_Log_fnc();
}

void EnterModule::button_reset_log_Click() {
    if (!userGuard()) return;
    controls().TextBox_log->clear();
    CLEAR_Log_fnc();
}

bool EnterModule::endWithoutLogs() {
    if (!noLogs(d_.st.Mdl_VRAK_Logs_Number)) return false;
    controls().TextBox_log->setPlainText(QStringLiteral("No logs available"));
    d_.ms.EnterModule_state = MODULE_OPERATION_END;
    return true;
}

void EnterModule::readLogs() {
    if (endWithoutLogs()) return;
    d_.st.Log_Num = 1;
    sendLogRead();
}

void EnterModule::sendLogRead() {
    const ModuleControls& c = controls();
    d_.hs.TxBuffer_usb[kData] = d_.st.Log_Num;
    c.label_progressBar_log->setText(QStringLiteral("Reading log..."));
    c.label_progressBar_log->setVisible(true);
    c.progressBar_log->setValue(d_.st.Log_Num * 100 / d_.st.Mdl_VRAK_Logs_Number);
    request(READ_MODULE_LOGS);
}

// A wrong entry number asks for the same entry again; the Stop button ends such a loop.
void EnterModule::onReadLog() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    if (rx[kData] == st.Log_Num) {
        std::array<std::uint8_t, 9> entry{};
        std::copy_n(rx.bytes.begin() + kData, entry.size(), entry.begin());
        QPlainTextEdit* box = controls().TextBox_log;
        box->moveCursor(QTextCursor::End);
        box->insertPlainText(logLine(entry));
        ++st.Log_Num;
    } else {
        d_.log.appendLog(QStringLiteral("### READ_MODULE_LOGS error! ###") + kCrLf);
    }
    if (st.Log_Num > st.Mdl_VRAK_Logs_Number) {
        const ModuleControls& c = controls();
        c.label_progressBar_log->setVisible(false);
        c.progressBar_log->setValue(0);
        d_.ms.EnterModule_state = MODULE_OPERATION_END;
        return;
    }
    sendLogRead();
}

void EnterModule::clearLogs() {
    if (endWithoutLogs()) return;
    d_.hs.TxBuffer_usb[kData] = kClearLogs;
    request(CLEAR_MODULE_LOGS);
}

// A refused clear ends the operation with its error line instead of waiting for ever.
void EnterModule::onClearLogs() {
    if (d_.hs.RxBuffer_usb[kData] == kClearLogs) {
        d_.ms.EnterModule_state = MODULE_OPERATION_END;
        return;
    }
    fail(QStringLiteral("### CLEAR_MODULE_LOGS error! ###"), QStringLiteral("Module refused to clear its log"));
}

}  // namespace dravik
