// Writing one text or action function with its own button, and the end of a read pass that hands
// over to the module operations the chaining flags ask for.

#include <QColor>
#include <algorithm>

#include "product/EnterFunctions.h"

namespace dravik {

namespace {

const QString kSetParameterCaption = QStringLiteral("Set product parameter     ");


}  // namespace

void EnterFunctions::writeOne() {
    FunctionState& fs = d_.fs;
    const int row = fs.Function_index;
    if (row < panel_.rowCount()) {
        auto& items = panel_.row(row).items;
        while (fs.ComboBoxItem_index <= items.size()) {
            function_parameters& it = items[static_cast<std::size_t>(itemIndex())];
            if (it.func_id == FN_ACTION) {
                request(MEMORY_WRITE_2_read, it.address);
                return;
            }
            if (isTextKind(it.func_id)) {
                fs.TextFunc4 = panel_.text(row);
                if (!fs.TextFunc4.isEmpty()) {
                    const TextEncoding enc = encodeText(it, fs.TextFunc4);
                    if (!enc.ok) {
                        // Nothing is written that the text does not say exactly.
                        d_.log.appendLog(QStringLiteral("Function \"%1\" not written: %2")
                                             .arg(panel_.row(row).name, enc.error) +
                                         kCrLf);
                        d_.dialogs.message(QStringLiteral("%1: %2").arg(panel_.row(row).name, enc.error),
                                           kSetParameterCaption);
                        journalEnd(false, QStringLiteral("%1: %2").arg(panel_.caption(row), enc.error));
                        rest(QString());
                        return;
                    }
                    if (it.func_id != FN_HEX) {
                        it.set_ActualValue(enc.value);
                        it.set_ValueToWrite(it.actual_value);
                    }
                    if (it.func_id == FN_DIGITS && enc.shownText != fs.TextFunc4)
                        panel_.setText(row, enc.shownText);
                    textBytes_ = enc.bytes;
                    textAddress_ = it.address;
                    verifyRow_ = row;
                    verifyBytes_ = enc.bytes;
                    fs.WriteBytes = 0;
                    const ByteWrite& first = textBytes_.front();
                    requestWrite(MEMORY_WRITE_2,
                                 static_cast<std::uint16_t>((textAddress_ + first.offset) & 0xFF),
                                 first.value);
                    fs.WriteBytes = 1;
                    return;
                }
            }
            ++fs.ComboBoxItem_index;
        }
    }
    setCursor(1, 1);
    d_.ms.EnterFunctions_state = EnterFunc_READ;
}

void EnterFunctions::onActionRead() {
    const int row = d_.fs.Function_index;
    if (row >= panel_.rowCount() || static_cast<std::size_t>(itemIndex()) >= panel_.row(row).items.size())
        return rest(QString());
    function_parameters& it = item(row, itemIndex());
    it.set_ActualValue(d_.hs.RxBuffer_usb[10]);
    it.set_ValueToWrite((it.actual_value & ~it.mask) | it.value);
    forgetListRowsAt(it.address);
    requestWrite(MEMORY_WRITE_2, it.address, static_cast<std::uint8_t>(it.valueToWrite & 0xFF));
}

// A list row that shows bits of a byte about to change no longer knows what the product holds:
// red until the read pass that follows reads it back.
void EnterFunctions::forgetListRowsAt(std::uint16_t address) {
    const std::uint8_t byte = static_cast<std::uint8_t>(address & 0xFF);
    for (int row = 0; row < panel_.rowCount(); ++row) {
        const auto& items = panel_.row(row).items;
        const bool shares = std::any_of(items.begin(), items.end(), [&](const function_parameters& other) {
            if (!isListKind(other.func_id)) return false;
            for (int k = 0; k < other.length; ++k)
                if (((other.address + k) & 0xFF) == byte) return true;
            return false;
        });
        if (!shares) continue;
        panel_.row(row).known = false;
        panel_.setListColour(row, Qt::red);
    }
}

void EnterFunctions::onTextOrActionWritten() {
    FunctionState& fs = d_.fs;
    const int row = fs.Function_index;
    if (row >= panel_.rowCount() || static_cast<std::size_t>(itemIndex()) >= panel_.row(row).items.size())
        return rest(QString());
    const function_parameters& it = item(row, itemIndex());
    if (isTextKind(it.func_id) && fs.WriteBytes < textBytes_.size()) {
        const ByteWrite& next = textBytes_[fs.WriteBytes];
        requestWrite(MEMORY_WRITE_2, static_cast<std::uint16_t>((textAddress_ + next.offset) & 0xFF),
                     next.value);
        ++fs.WriteBytes;
        return;
    }
    ++fs.ComboBoxItem_index;
    d_.ms.EnterFunctions_state = EnterFunc_WRITE_ONE;
}

void EnterFunctions::endOfPass() {
    FunctionState& fs = d_.fs;
    d_.progress.setProgressText(QStringLiteral("Waiting..."), true);
    d_.progress.setProgressValue(0);
    if (d_.cs.startUp == 1 && d_.prd.Prd_Module == 1) {
        fs.loadConfiguration_SelectedProtocol_flag = CHAIN_READ;
    } else {
        d_.ms.EnterModule_state = kEnterModuleWaiting;
    }
    d_.ms.EnterFunctions_state = EnterFunc_WAITING;
    journalEnd(true, QString());

    const std::function<void()>* hook = takeChainedOperation(fs, hooks_);
    if (hook != nullptr && *hook) {
        (*hook)();
        return;
    }
    if (hook != nullptr) d_.ms.EnterModule_state = kEnterModuleWaiting;
    // The standard layout shows no log: why an edited text row stayed red is said here too.
    d_.progress.setProgressText(keptTextRows_ > 0
                                    ? QStringLiteral("Process terminated: text rows are set with their own button")
                                    : QStringLiteral("Process terminated"),
                                true);
}

}  // namespace dravik
