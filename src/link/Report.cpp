#include "link/Report.h"

namespace dravik {

std::uint32_t dataBuffer::count() const {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void dataBuffer::setCount(std::uint32_t n) {
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
}

namespace {

constexpr std::array<CommandInfo, kLastCommand + 1> kCommands = {{
    {},                                                  // 0 no command
    {"IDENTIFICATION", kDestProduct, 2, 0x00},           // 1
    {"INTERFACE IDENTIFICATION", kDestInterface, 2, 0x00},
    {"MEMORY_READ", kDestProduct, 3, 0x01},
    {"MEMORY_READ_2", kDestProduct, 3, 0x01},
    {},                                                  // 5 is never sent
    {"MEMORY_WRITE_read", kDestProduct, 3, 0x01},
    {"MEMORY_WRITE_write", kDestProduct, 5, 0x02},
    {"MEMORY_WRITE_2", kDestProduct, 5, 0x02},
    {"MEMORY_WRITE_2_read", kDestProduct, 3, 0x01},
    {"VERIFY_FIRMWARE", kDestProduct, 4, 0x7F},          // 10
    {"TEST_MODE 5", kDestProduct, 3, 0x05},
    {"AUX_MODULE_INFO", kDestProduct, 2, 0x08},
    {"AUX_MODULE_CONFIG", kDestProduct, 2, 0x09},
    {"AUX_MODULE_SETUP", kDestProduct, 5, 0x0A},
    {"PARKING_DEFAUTL", kDestProduct, 2, 0x0F},
    {"ACTUAL_SLOT_CONFIGURATION", kDestProduct, 2, 0x09},
    {"ACTUAL_ALL_SLOT_CONFIGURATION", kDestProduct, 2, 0x0A},
    {"WRITE_SLOTS_SETTINGS", kDestProduct, 7, 0x0D},
    {"INDEX_SLOT_SETUP", kDestProduct, 6, 0x08},
    {"DECODE_SLOT_SETUP", kDestProduct, 6, 0x0F},        // 20
    {"SLOT_SETTINGS_INFO", kDestProduct, 3, 0x0B},
    {"ALL_SLOT_SETTINGS_INFO", kDestProduct, 3, 0x0C},
    {"SEND_DATA_SLOT", kDestProduct, 20, 0x7C},
    {"UNLOCK_VRAK_FLASH", kDestProduct, 4, 0x7E},
    {},                                                  // 25 VRAK_DEFAULT_SETUP: no frame defined
    {"RESET_VRAK", kDestProduct, 6, 0x08},
    {"MBUS_SETUP", kDestInterface, 10, 0x40},
    {"MODULE_PROTECTION", kDestProduct, 7, 0x0E},
    {"READ_MODULE_LOGS", kDestProduct, 3, 0x79},
    {"CLEAR_MODULE_LOGS", kDestProduct, 3, 0x79},        // 30
}};

}  // namespace

const CommandInfo* commandInfo(int cmd) {
    if (cmd <= 0 || cmd > kLastCommand) return nullptr;
    const CommandInfo& info = kCommands[static_cast<std::size_t>(cmd)];
    return info.length == 0 ? nullptr : &info;
}

QString commandLogName(int cmd) {
    const CommandInfo* info = commandInfo(cmd);
    if (info == nullptr) return QString::number(cmd);
    return QString::fromLatin1(info->logName.data(), static_cast<qsizetype>(info->logName.size()));
}

std::string frameCommandNames(const std::uint8_t* frame, std::size_t size) {
    std::string names;
    if (size < 5 || frame[0] != 0x01 || frame[2] != 0x02) return names;
    for (int cmd = 1; cmd <= kLastCommand; ++cmd) {
        const CommandInfo* info = commandInfo(cmd);
        if (info == nullptr || info->dest != frame[1] || info->length != frame[3] || info->code != frame[4])
            continue;
        if (!names.empty()) names += '/';
        names += info->logName;
    }
    return names;
}

std::uint8_t frameChecksum(const dataBuffer& b, int length) {
    unsigned sum = 0;
    for (int i = kLength; i < kLength + length && i < dataBuffer::kSize; ++i) sum += b[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool isSecretByte(const dataBuffer& frame, int index) {
    const CommandInfo& protection = kCommands[MODULE_PROTECTION];
    if (frame[kDest] != protection.dest || frame[kLength] != protection.length || frame[kCode] != protection.code)
        return false;
    // Byte 9 is the lock flag; 10..12 the digits, 13 their sum, then the checksum.
    return index > kData && index <= kLength + protection.length;
}

QString byteDump(const dataBuffer& b, int from, int count) {
    static constexpr char kHex[] = "0123456789abcdef";
    QString out;
    out.reserve(count * 3);
    for (int i = from; i < from + count && i < dataBuffer::kSize; ++i) {
        if (isSecretByte(b, i)) {
            out.append(QLatin1String("**."));
            continue;
        }
        const std::uint8_t v = b[i];
        if (v >= 0x10) out.append(QLatin1Char(kHex[v >> 4]));
        out.append(QLatin1Char(kHex[v & 0x0F]));
        out.append(QLatin1Char('.'));
    }
    return out;
}

bool buildRequest(dataBuffer& tx, int cmd, std::uint16_t outputValue, std::uint8_t baudrateValue) {
    const CommandInfo* info = commandInfo(cmd);
    if (info == nullptr) return false;
    tx[kDest] = info->dest;
    tx[kLength] = info->length;
    tx[kCode] = info->code;
    if (cmd == RESET_VRAK) {
        tx[9] = 0x01;
        tx[10] = 0x00;
        tx[11] = 0x00;
        tx[12] = 0x01;
    } else if (cmd == MBUS_SETUP) {
        tx[9] = 0x01;
        tx[10] = static_cast<std::uint8_t>(outputValue >> 8);
        tx[11] = static_cast<std::uint8_t>(outputValue & 0xFF);
        tx[12] = baudrateValue;
        tx[13] = tx[14] = tx[15] = tx[16] = 0;
    }
    tx[kStart] = 0x01;
    tx[kFixed] = 0x02;
    tx[kLength + info->length] = 0;
    tx[kLength + info->length] = frameChecksum(tx, info->length);
    tx.setCount(kRequestCount);
    return true;
}

int requestFrameSize(const dataBuffer& tx) { return tx[kLength] + 4; }

bool answerMatches(const dataBuffer& tx, const dataBuffer& rx) {
    return rx[kDest] == tx[kDest] && rx[kDest] != 0 && rx[kCode] == tx[kCode];
}

int supplyFromOutputWord(std::uint16_t word) {
    const bool on = (word & 0x0100) != 0;
    const bool off = (word & 0x0001) != 0;
    if (on && !off) return 1;
    if (off && !on) return 0;
    return -1;
}

std::uint8_t directConnectionFromAnswer(const dataBuffer& rx) { return (rx[10] & 0x02) ? 0 : 1; }

bool memoryAnswerWellFormed(int cmd, const dataBuffer& tx, const dataBuffer& rx) {
    switch (cmd) {
        case MEMORY_READ:
        case MEMORY_READ_2:
        case MEMORY_WRITE_read:
        case MEMORY_WRITE_write:
        case MEMORY_WRITE_2:
        case MEMORY_WRITE_2_read:
            return rx[kLength] >= 4 && rx[kData] == tx[kData];
        default:
            return true;
    }
}

}  // namespace dravik
