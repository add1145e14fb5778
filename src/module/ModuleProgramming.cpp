// Setting a protocol: a file protocol is programmed into the direct module's flash line by line and
// verified by its checksum, then the module is told its slot or decoder and parameters; a module
// behind the product is set up through the product. Also the reset of a direct module's selection.
//
// A negative answer or a lost line ends the run with its reason, so nothing waits for ever and a
// new run starts again from the unlock, slot 0, line 0. A refusal is an answer: the link to the
// module works and is kept; only a time-out asks for a new link set-up.

#include <algorithm>

#include "module/EnterModule.h"
#include "module/FlashCrc.h"
#include "module/ModuleFrames.h"
#include "module/Programmer.h"
#include "module/ProtocolFiles.h"

namespace dravik {

namespace {
constexpr int kLineBytes = 16;
constexpr std::uint8_t kErasedByte = 0xFF;
constexpr int kPauseAfterAuxConfigMs = 200;

template <std::size_t N>
void putData(dataBuffer& tx, const std::array<std::uint8_t, N>& data) {
    std::copy(data.begin(), data.end(), tx.bytes.begin() + kData);
}
}  // namespace

void EnterModule::setProtocol() {
    d_.ms.EnterModule_state =
        controls().textBox_protocolPath->text().isEmpty() ? MODULE_SETUP : MODULE_LOAD_FILE;
}

// The image fills the module's whole block; bytes past the file's image are sent erased, never
// left over from an earlier file.
void EnterModule::loadFile() {
    const ModuleState& m = d_.mod;
    const int block = m.Mod_SlotsPerBlock * m.Mod_BytesPerSlot;
    if (m.Mod_SlotsPerBlock == 0 || m.Mod_BytesPerSlot < 2 * kLineBytes ||
        m.Mod_BytesPerSlot % kLineBytes != 0 || m.Mod_LinesPerSlot != m.Mod_BytesPerSlot / kLineBytes - 1 ||
        block > kDataToSendSize) {
        fail(QStringLiteral("Module: a flash of %1 slots of %2 bytes cannot be programmed")
                 .arg(m.Mod_SlotsPerBlock)
                 .arg(m.Mod_BytesPerSlot),
             QStringLiteral("Protocol not programmed"));
        return;
    }
    QComboBox* protocols = panel_.combo(0);
    const Programmer p = protocols != nullptr && protocols->currentIndex() >= 0
                             ? protocols->currentData().value<Programmer>()
                             : Programmer{};
    if (p.filename.isEmpty()) {
        fail(QStringLiteral("Module: no protocol file is selected"),
             QStringLiteral("Protocol not programmed"));
        return;
    }
    const ProtocolImage image = readProtocolImage(p.filename, d_.tables);
    if (!image.ok || image.bytes > block) {
        fail(image.ok ? QStringLiteral("Module: the image of %1 bytes does not fit the module's %2 bytes")
                            .arg(image.bytes)
                            .arg(block)
                      : image.error,
             QStringLiteral("Protocol not programmed"));
        return;
    }
    std::fill(d_.tables.dataToSend.begin() + image.bytes, d_.tables.dataToSend.begin() + block, kErasedByte);
    d_.ms.EnterModule_state = MODULE_UNLOCK_FLASH;
}

void EnterModule::unlockFlash() {
    d_.st.crc = 0xFFFF;
    putData(d_.hs.TxBuffer_usb,
            std::array<std::uint8_t, 2>{d_.mod.Mod_UnlockFlashKey1, d_.mod.Mod_UnlockFlashKey2});
    request(UNLOCK_VRAK_FLASH);
}

void EnterModule::onUnlockFlash() {
    if (d_.hs.RxBuffer_usb[kData] != 1) {
        fail(QStringLiteral("### UNLOCK_VRAK_FLASH error! ###"),
                        QStringLiteral("UNLOCK_VRAK_FLASH failed"));
        return;
    }
    d_.st.Tx_slot_counter = 0;
    d_.st.Tx_line_counter = 0;
    d_.ms.EnterModule_state = MODULE_SEND_LINE;
}

// One 16-byte line per cycle; after the last slot the checksum of the whole block is sent.
void EnterModule::sendLine() {
    ModuleStatus& st = d_.st;
    const ModuleState& m = d_.mod;
    dataBuffer& tx = d_.hs.TxBuffer_usb;
    if (st.Tx_slot_counter < m.Mod_SlotsPerBlock) {
        const std::size_t from = st.Tx_slot_counter * std::size_t{m.Mod_BytesPerSlot} +
                                 st.Tx_line_counter * std::size_t{kLineBytes};
        tx[kData] = st.Tx_slot_counter;
        tx[kData + 1] = st.Tx_line_counter;
        std::copy_n(d_.tables.dataToSend.begin() + static_cast<std::ptrdiff_t>(from), kLineBytes,
                    tx.bytes.begin() + kData + 2);
        d_.progress.setProgressText(QStringLiteral("Sending slots..."), true);
        d_.progress.setProgressValue(
            sendProgress(st.Tx_line_counter, st.Tx_slot_counter, m.Mod_LinesPerSlot, m.Mod_SlotsPerBlock));
        request(SEND_DATA_SLOT);
        return;
    }
    st.crc = CalcFlashCRC(d_.tables.dataToSend.data(), m.Mod_SlotsPerBlock * m.Mod_BytesPerSlot);
    tx[kData] = static_cast<std::uint8_t>(st.crc & 0xFF);
    tx[kData + 1] = static_cast<std::uint8_t>(st.crc >> 8);
    d_.progress.setProgressText(QString(), false);
    d_.progress.setProgressValue(0);
    request(VERIFY_FIRMWARE);
}

void EnterModule::onSendDataSlot() {
    ModuleStatus& st = d_.st;
    const dataBuffer& rx = d_.hs.RxBuffer_usb;
    QString error;
    if (rx[kData] != st.Tx_slot_counter) {
        error = QStringLiteral("### SEND_DATA_SLOT (slot) error! ###");
    } else if (rx[kData + 1] != st.Tx_line_counter) {
        error = QStringLiteral("### SEND_DATA_SLOT (line) error! ###");
    } else if (rx[kData + 2] != 1) {
        error = QStringLiteral("### SEND_DATA_SLOT (result: ") + QString::number(rx[kData + 2], 16) +
                QStringLiteral(") error! ###");
    }
    if (!error.isEmpty()) {
        fail(error, QStringLiteral("SEND_DATA_SLOT failed at slot %1 line %2")
                                   .arg(st.Tx_slot_counter)
                                   .arg(st.Tx_line_counter));
        return;
    }
    if (st.Tx_line_counter < d_.mod.Mod_LinesPerSlot) {
        ++st.Tx_line_counter;
    } else {
        ++st.Tx_slot_counter;
        st.Tx_line_counter = 0;
    }
    d_.ms.EnterModule_state = MODULE_SEND_LINE;
}

void EnterModule::onVerifyFirmware() {
    if (d_.hs.RxBuffer_usb[kData] != 1) {
        fail(QStringLiteral("### VERIFY_FIRMWARE error! ###"),
                        QStringLiteral("VERIFY_FIRMWARE failed: the module's image differs"));
        return;
    }
    verified_ = true;
    d_.ms.EnterModule_state = MODULE_SETUP;
}

void EnterModule::setup() {
    ModuleProtSetComboTextColor(false);
    if (directRoute()) {
        switch (d_.mod.Mod_SoftwareType) {
            case kModuleA1:
                d_.ms.EnterModule_state = MODULE_INDEX_SETUP;
                break;
            case kModuleA2:
                d_.ms.EnterModule_state = MODULE_DECODE_SETUP;
                break;
            default:
                d_.ms.EnterModule_state = MODULE_OPERATION_END;
                break;
        }
        return;
    }
    d_.progress.setProgressValue(100);
    d_.hs.TxBuffer_usb[kData] = 1;
    request(TEST_MODE);
}

void EnterModule::indexSetup() {
    putData(d_.hs.TxBuffer_usb, slotSetupData(d_.st.Slot_toSet, d_.st.ParB_C_toSet));
    request(INDEX_SLOT_SETUP);
}

void EnterModule::decodeSetup() {
    putData(d_.hs.TxBuffer_usb, slotSetupData(d_.st.Decode_toSet, d_.st.ParB_C_toSet));
    request(DECODE_SLOT_SETUP);
}

// INDEX_SLOT_SETUP, DECODE_SLOT_SETUP and RESET_VRAK: the module's new selection is read back.
void EnterModule::onSelectionSetup() {
    if (d_.hs.RxBuffer_usb[kData] == 1) {
        journalEnd(true);
        d_.st.Mdl_OperationToDo = OP_READ_SELECTION;
        request(ACTUAL_SLOT_CONFIGURATION);
        return;
    }
    const int cmd = d_.hs.SendingCmd;
    const QString name = cmd == INDEX_SLOT_SETUP    ? QStringLiteral("INDEX_SLOT_SETUP")
                         : cmd == DECODE_SLOT_SETUP ? QStringLiteral("DECODE_SLOT_SETUP")
                                                    : QStringLiteral("RESET_VRAK");
    fail(QStringLiteral("### ") + name + QStringLiteral(" error! ###"),
                    name + QStringLiteral(" failed"));
}

void EnterModule::onTestMode() {
    const ModuleStatus& st = d_.st;
    putData(d_.hs.TxBuffer_usb,
            auxModuleSetupData(d_.mod.Mod_SoftwareType, st.Slot_toSet, st.ParA_toSet, st.ParB_C_toSet));
    d_.progress.setProgressText(QStringLiteral("Process terminated"), true);
    d_.progress.setProgressValue(0);
    request(AUX_MODULE_SETUP);
}

void EnterModule::onAuxModuleSetup() { request(AUX_MODULE_CONFIG); }

// The product needs a moment to take the new settings before they are read back.
void EnterModule::onAuxModuleConfig() {
    d_.pump.hold(kPauseAfterAuxConfigMs);
    journalEnd(true);
    Read_SELECTION_Protocols_fnc();
}

void EnterModule::resetSelection() {
    if (directRoute()) {
        request(RESET_VRAK);
        return;
    }
    fail(QStringLiteral("Module: the selection of a module behind the product is not reset"));
}

// Commands whose time-out ends the operation at once: the next step would otherwise go on with
// the cleared answer as if the product had taken the setting.
bool EnterModule::endsOnTimeout(int cmd) {
    return cmd == TEST_MODE || cmd == AUX_MODULE_SETUP || cmd == AUX_MODULE_CONFIG;
}

}  // namespace dravik
