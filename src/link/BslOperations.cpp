// The loader operations of the interface library. A request is one report: the size byte, then
// a core command (code, fields, data); a reply is 0x3A + data or 0x3B + one status byte.
// Addresses go out as three bytes, low byte first.

#include <algorithm>

#include "link/ExchangeLibrary.h"

namespace dravik {

namespace {

constexpr std::uint8_t kRxDataBlock = 0x10;
constexpr std::uint8_t kRxPassword = 0x11;
constexpr std::uint8_t kEraseSegment = 0x12;
constexpr std::uint8_t kCrcCheck = 0x16;
constexpr std::uint8_t kLoadPc = 0x17;
constexpr std::uint8_t kRxDataBlockFast = 0x1B;

constexpr std::uint8_t kReplyData = 0x3A;
constexpr std::uint8_t kReplyStatus = 0x3B;
constexpr int kNoReply = kBslNoReply;

constexpr std::uint32_t kPasswordAddress = 0xFFE0;
constexpr std::uint32_t kPasswordLength = 32;
constexpr int kMaxCore = 62;

int putAddress(std::uint8_t* core, std::uint8_t code, std::uint32_t address) {
    core[0] = code;
    core[1] = static_cast<std::uint8_t>(address);
    core[2] = static_cast<std::uint8_t>(address >> 8);
    core[3] = static_cast<std::uint8_t>(address >> 16);
    return 4;
}

}  // namespace

std::string_view ExchangeLibrary::loaderCommandName(std::uint8_t code) {
    switch (code) {
        case kRxDataBlock:
            return "loader RX data block";
        case kRxPassword:
            return "loader RX password";
        case kEraseSegment:
            return "loader erase segment";
        case kCrcCheck:
            return "loader CRC check";
        case kLoadPc:
            return "loader load PC";
        case kRxDataBlockFast:
            return "loader RX data block fast";
        default:
            return {};
    }
}

int ExchangeLibrary::bslCommand(const std::uint8_t* core, int n, bool reply) {
    if (bslLost_) return kNoReply;
    dataBuffer tx;
    n = std::clamp(n, 0, kMaxCore);
    std::copy_n(core, n, tx.bytes.begin() + 4);
    tx.setCount(static_cast<std::uint32_t>(n));
    USB_TX(tx);
    if (!reply) return 0;
    const std::int64_t deadline = clock_.nowUs() + std::int64_t{kBslTimeoutMs} * 1000;
    while (clock_.nowUs() < deadline) {
        dataBuffer rx;
        if (USB_RX(&rx) && rx.count() >= 2 && (rx[4] == kReplyData || rx[4] == kReplyStatus)) {
            storeAnswer(rx);
            return 0;
        }
    }
    bslLost_ = true;
    return kNoReply;
}

int ExchangeLibrary::bslStatus(const std::uint8_t* core, int n) {
    if (bslCommand(core, n, true) != 0) return kNoReply;
    const dataBuffer rx = BSL_get_RX_Buffer();
    return rx[4] == kReplyStatus ? rx[5] : kNoReply;
}

DataBlock_ ExchangeLibrary::BSL_readTI_Text(const char* text, int maxBlock) {
    TiTxtImage image;
    std::string error;
    TiTxtBlockReader reader;
    if (text != nullptr && parseTiTxt(text, image, error)) reader.reset(std::move(image));
    return reader.next(static_cast<std::uint32_t>(std::max(maxBlock, 1)));
}

DataBlock_ ExchangeLibrary::BSL_getDefaultPass() {
    // The erased vector area: what a blank or mass-erased device accepts.
    DataBlock_ block;
    std::fill_n(block.data.begin(), kPasswordLength, std::uint8_t{0xFF});
    block.length = kPasswordLength;
    block.startAddress = kPasswordAddress;
    return block;
}

int ExchangeLibrary::BSL_RX_Password(DataBlock_ password) {
    if (password.length != kPasswordLength) return kNoReply;
    std::uint8_t core[1 + kPasswordLength];
    core[0] = kRxPassword;
    std::copy_n(password.data.begin(), kPasswordLength, core + 1);
    return bslStatus(core, sizeof core);
}

std::uint32_t ExchangeLibrary::bslSend(const TiTxtImage& image, int fast) {
    for (const TiTxtSection& s : image.sections) {
        for (std::size_t off = 0; off < s.bytes.size(); off += kBslDataPerReport) {
            const std::size_t n = std::min<std::size_t>(kBslDataPerReport, s.bytes.size() - off);
            std::uint8_t core[kMaxCore];
            const int head = putAddress(core, fast != 0 ? kRxDataBlockFast : kRxDataBlock,
                                        s.address + static_cast<std::uint32_t>(off));
            std::copy_n(s.bytes.begin() + static_cast<std::ptrdiff_t>(off), n, core + head);
            const int size = head + static_cast<int>(n);
            const int result = fast != 0 ? bslCommand(core, size, false) : bslStatus(core, size);
            if (result != 0) return static_cast<std::uint32_t>(result);
        }
    }
    return 0;
}

std::uint32_t ExchangeLibrary::BSL_RX_TXT(const char* text, int fast) {
    TiTxtImage image;
    std::string error;
    if (text == nullptr || !parseTiTxt(text, image, error)) return kNoReply;
    return bslSend(image, fast);
}

int ExchangeLibrary::BSL_LoadPC(std::uint32_t address) {
    std::uint8_t core[4];
    return bslCommand(core, putAddress(core, kLoadPc, address), false);
}

int ExchangeLibrary::BSL_close_BSL() {
    // The device leaves the bus by itself after a load PC; nothing stays to be said to it.
    return 0;
}

int ExchangeLibrary::BSL_eraseSegment(std::uint32_t address) {
    std::uint8_t core[4];
    return bslStatus(core, putAddress(core, kEraseSegment, address));
}

int ExchangeLibrary::BSL_CRC_Check(std::uint32_t address, std::uint32_t length) {
    if (length > 0xFFFF) return kNoReply;
    std::uint8_t core[6];
    putAddress(core, kCrcCheck, address);
    core[4] = static_cast<std::uint8_t>(length);
    core[5] = static_cast<std::uint8_t>(length >> 8);
    if (bslCommand(core, sizeof core, true) != 0) return kNoReply;
    const dataBuffer rx = BSL_get_RX_Buffer();
    return rx[4] == kReplyData && rx.count() >= 3 ? 0 : kNoReply;
}

int ExchangeLibrary::BSL_openTI_TextForRead(std::string_view text) {
    TiTxtImage image;
    std::string error;
    fileReader_.reset();
    if (!parseTiTxt(text, image, error)) return kTiTxtInvalid;
    fileReader_.reset(std::move(image));
    return 0;
}

int ExchangeLibrary::BSL_moreDataToRead_TextFile() { return fileReader_.more() ? 1 : 0; }

DataBlock_ ExchangeLibrary::BSL_readTI_TextFile(int maxBlock) {
    return fileReader_.next(static_cast<std::uint32_t>(std::max(maxBlock, 1)));
}

void ExchangeLibrary::BSL_closeTI_Text() { fileReader_.reset(); }

}  // namespace dravik
