// The machine's passes over the panel: build, read, write (pre-read and read-modify-write),
// single write of a text or action function, and the end of a read pass.

#include <QColor>

#include "product/EnterFunctions.h"

namespace dravik {

namespace {

const QString kReadText = QStringLiteral("Read parameters...");
const QString kWriteText = QStringLiteral("Write parameters...");

std::uint16_t at(std::uint16_t address, int k) { return static_cast<std::uint16_t>((address + k) & 0xFF); }

}  // namespace

bool EnterFunctions::cursorValid() {
    const int row = rowIndex();
    if (row < 0 || row >= panel_.rowCount()) return false;
    const int index = itemIndex();
    return index >= 0 && static_cast<std::size_t>(index) < panel_.row(row).items.size();
}

EnterFunctions::PanelSource EnterFunctions::panelSource() const {
    int language = d_.cs.Language_type;
    const ProductDatabase db(d_.cs.Main_directory, language, {});
    return {d_.cs.Main_directory, d_.cs.Language_type, d_.prd.Prd_index, db.contentStamp()};
}

// The first step of a build: the panel's buttons off, then either the built rows reset (nothing
// they were built from changed) or the functions loaded for a new build.
void EnterFunctions::build() {
    if (!building_) {
        if (parameterButtons_) parameterButtons_(false);
        if (builtFrom_ && *builtFrom_ == panelSource() && panel_.rowCount() == builtRows_) {
            panel_.resetValues();
            endBuild();
            return;
        }
        loadPanel();
        return;
    }
    if (!panel_.buildRows(container(), buildingFunctions_, kRowsPerBuildStep)) return;
    building_ = false;
    buildingFunctions_ = {};
    // A build after a database failure is not kept: the next pass tries again.
    if (!d_.handler.halted()) {
        builtFrom_ = buildingFrom_;
        builtRows_ = panel_.rowCount();
    }
    endBuild();
}

void EnterFunctions::loadPanel() {
    builtFrom_.reset();
    buildLog_.clear();
    builtFunctionId_.reset();
    ProductDatabase db(d_.cs.Main_directory, d_.cs.Language_type, d_.onDatabaseFatal,
                       [this](const QString& message) { buildLog_.push_back(message + kCrLf); });
    buildingFunctions_ = db.loadFunctions(d_.prd.Prd_index);
    // Taken after the load: the language may have been corrected by it.
    buildingFrom_ = panelSource();
    for (const FunctionRow& row : buildingFunctions_.rows) {
        if (row.location) builtFunctionId_ = row.location->func_id;
        if (!row.usable())
            buildLog_.push_back(
                QStringLiteral("Function \"%1\" is not used: %2").arg(row.name, row.unusableReason) + kCrLf);
    }
    panel_.beginBuild(container());
    building_ = true;
}

void EnterFunctions::endBuild() {
    for (const QString& line : buildLog_) d_.log.appendLog(line);
    if (builtFunctionId_) d_.fs.Function_ID = *builtFunctionId_;
    setCursor(1, 1);
    d_.ms.EnterFunctions_state = EnterFunc_READ;
}

void EnterFunctions::readPass() {
    const int rows = panel_.rowCount();
    FunctionState& fs = d_.fs;
    d_.view.setReadSetAllEnabled(true);
    d_.progress.setProgressText(kReadText, true);
    if (rows > 0) d_.progress.setProgressValue((fs.ComboBoxList_index * 100 - 100) / rows);
    const auto readable = [](std::uint16_t kind) { return isListKind(kind) || isTextKind(kind); };
    if (const function_parameters* it = seekItem(readable)) {
        fs.ReadBytes = 0;
        if (isListKind(it->func_id)) {
            fs.ReadingValue = 0;
            request(MEMORY_READ, it->address);
        } else {
            request(MEMORY_READ_2, it->address);
        }
        return;
    }
    if (parameterButtons_) parameterButtons_(true);
    d_.ms.EnterFunctions_state = EnterFunc_END;
}

void EnterFunctions::onListByte(RequestCmd_ENUM next) {
    if (!cursorValid()) return rest(QString());
    FunctionState& fs = d_.fs;
    const function_parameters& it = item(rowIndex(), itemIndex());
    if (fs.ReadBytes < 4) fs.ReadingValue += std::uint32_t{d_.hs.RxBuffer_usb[10]} << (8 * fs.ReadBytes);
    ++fs.ReadBytes;
    if (fs.ReadBytes < it.length) {
        request(next, at(it.address, fs.ReadBytes));
        return;
    }
    updateListItems(rowIndex(), fs.ReadingValue);
    if (next == MEMORY_WRITE_read) {
        d_.ms.EnterFunctions_state = EnterFunc_WRITE;
        return;
    }
    onListValueRead(rowIndex());
    nextRow();
    d_.ms.EnterFunctions_state = EnterFunc_READ;
}

void EnterFunctions::updateListItems(int row, std::uint32_t value) {
    for (function_parameters& it : panel_.row(row).items) {
        it.set_ActualValue(value);
        it.set_ValueToWrite((it.actual_value & ~it.mask) | it.value);
    }
}

// The last matching item is selected. A value that matches no item clears the selection, so no
// earlier choice is shown as the product's value or written by a later set.
void EnterFunctions::onListValueRead(int row) {
    panel_.row(row).known = true;
    const auto& items = panel_.row(row).items;
    int match = -1;
    for (std::size_t j = 0; j < items.size(); ++j)
        if (items[j].value == (items[j].mask & items[j].actual_value)) match = static_cast<int>(j);
    if (match < 0) {
        panel_.showUnexpected(row);
        return;
    }
    panel_.select(row, match);
    panel_.setListColour(row, Qt::black);
}

void EnterFunctions::onTextByte() {
    if (!cursorValid()) return rest(QString());
    FunctionState& fs = d_.fs;
    const function_parameters& it = item(rowIndex(), itemIndex());
    if (fs.ReadBytes < fs.ReadBytes_array.size()) fs.ReadBytes_array[fs.ReadBytes] = d_.hs.RxBuffer_usb[10];
    ++fs.ReadBytes;
    if (fs.ReadBytes < it.length && fs.ReadBytes < fs.ReadBytes_array.size()) {
        request(MEMORY_READ_2, at(it.address, fs.ReadBytes));
        return;
    }
    showTextRead(rowIndex(), it);
    ++fs.ComboBoxItem_index;
    d_.ms.EnterFunctions_state = EnterFunc_READ;
}

// A text the user edited and no write of this operation wrote is kept (text rows are written
// with their own button only). The row a single write wrote turns black only when the product
// holds exactly the bytes written.
void EnterFunctions::showTextRead(int row, const function_parameters& it) {
    FunctionState& fs = d_.fs;
    const auto read = std::span(fs.ReadBytes_array.data(), std::min<std::size_t>(fs.ReadBytes, fs.ReadBytes_array.size()));
    if (row != verifyRow_ && panel_.textColour(row) == QColor(Qt::red) && !panel_.text(row).isEmpty()) {
        d_.log.appendLog(QStringLiteral("Function \"%1\" not written: text rows are set with their own button")
                             .arg(panel_.row(row).name) +
                         kCrLf);
        ++keptTextRows_;
        return;
    }
    bool same = true;
    if (row == verifyRow_) {
        for (const ByteWrite& w : verifyBytes_)
            if (w.offset >= read.size() || read[w.offset] != w.value) same = false;
        verifyRow_ = -1;
        if (!same) {
            d_.log.appendLog(QStringLiteral("Function \"%1\": the product does not hold the value written")
                                 .arg(panel_.row(row).name) +
                             kCrLf);
        }
    }
    panel_.setText(row, textFromBytes(it.func_id, read));
    panel_.setTextColour(row, same ? Qt::black : Qt::red);
}

// Moves the cursor, item by item and row by row, to the first item (from the cursor on) whose
// kind the predicate takes; nullptr when the rows are exhausted.
const function_parameters* EnterFunctions::seekItem(const std::function<bool(std::uint16_t)>& wanted) {
    const int rows = panel_.rowCount();
    FunctionState& fs = d_.fs;
    while (fs.ComboBoxList_index <= rows) {
        const ProductPanel::Row& row = panel_.row(rowIndex());
        while (fs.ComboBoxItem_index <= row.items.size()) {
            const function_parameters& it = row.items[static_cast<std::size_t>(itemIndex())];
            if (wanted(it.func_id)) return &it;
            ++fs.ComboBoxItem_index;
        }
        nextRow();
    }
    return nullptr;
}

void EnterFunctions::preRead() {
    FunctionState& fs = d_.fs;
    d_.progress.setProgressText(kReadText, true);
    if (const function_parameters* it = seekItem(isListKind)) {
        fs.ReadingValue = 0;
        fs.ReadBytes = 0;
        request(MEMORY_WRITE_read, it->address);
        return;
    }
    d_.progress.setProgressText(QString(), false);
    d_.progress.setProgressValue(0);
    setCursor(1, 1);
    d_.ms.EnterFunctions_state = EnterFunc_READ;
}

// Only a selection that differs from what the product holds is written; bits outside the mask
// keep the value read just before.
void EnterFunctions::write() {
    const int rows = panel_.rowCount();
    FunctionState& fs = d_.fs;
    d_.progress.setProgressText(kWriteText, true);
    d_.progress.setProgressValue(fs.ComboBoxList_index * 100 / (rows + 1));
    if (fs.ComboBoxList_index <= rows) {
        const int row = rowIndex();
        const int selected = panel_.selectedIndex(row);
        const auto& items = panel_.row(row).items;
        if (selected >= 0 && static_cast<std::size_t>(selected) < items.size()) {
            const function_parameters& it = items[static_cast<std::size_t>(selected)];
            if (isListKind(it.func_id) && it.value != (it.mask & it.actual_value)) {
                writeItem_ = selected;
                written_.push_back({row, selected, heldItemName(items)});
                fs.bytesToWrite = 0;
                // Until read back, what the product holds in this row is not known.
                panel_.row(row).known = false;
                requestWrite(MEMORY_WRITE_write, it.address, listByte(it.valueToWrite, 0));
                return;
            }
        }
    }
    nextRow();
    d_.ms.EnterFunctions_state = EnterFunc_PREREAD;
}

void EnterFunctions::onListByteWritten() {
    FunctionState& fs = d_.fs;
    const int row = rowIndex();
    if (row < 0 || row >= panel_.rowCount() || writeItem_ < 0 ||
        static_cast<std::size_t>(writeItem_) >= panel_.row(row).items.size())
        return rest(QString());
    const function_parameters& it = item(row, writeItem_);
    ++fs.bytesToWrite;
    if (fs.bytesToWrite < it.length) {
        requestWrite(MEMORY_WRITE_write, at(it.address, fs.bytesToWrite),
                     listByte(it.valueToWrite, fs.bytesToWrite));
        return;
    }
    nextRow();
    d_.ms.EnterFunctions_state = EnterFunc_PREREAD;
}

}  // namespace dravik
