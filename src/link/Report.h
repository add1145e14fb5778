#pragma once
// The USB report record, the frame inside it and the device command set.

#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dravik {

// 260-byte report record: a 32-bit little-endian transfer count, then the frame from offset 4.
struct dataBuffer {
    static constexpr int kSize = 260;
    std::array<std::uint8_t, kSize> bytes{};

    std::uint32_t count() const;
    void setCount(std::uint32_t n);
    std::uint8_t& operator[](int i) { return bytes[static_cast<std::size_t>(i)]; }
    std::uint8_t operator[](int i) const { return bytes[static_cast<std::size_t>(i)]; }
};

// Frame offsets inside the record.
enum FrameOffset : int {
    kStart = 4,   // 0x01
    kDest = 5,    // 0xF1 interface, 0xF2 product (and the module behind it)
    kFixed = 6,   // 0x02
    kLength = 7,  // L = 2 + data bytes
    kCode = 8,
    kData = 9,
};

inline constexpr std::uint8_t kDestInterface = 0xF1;
inline constexpr std::uint8_t kDestProduct = 0xF2;
inline constexpr std::uint32_t kRequestCount = 62;

enum RequestCmd_ENUM : std::uint8_t {
    NO_COMMAND = 0,
    IDENTIFICATION = 1,
    INTERFACE_IDENTIFICATION = 2,
    MEMORY_READ = 3,
    MEMORY_READ_2 = 4,
    MEMORY_WRITE_read = 6,
    MEMORY_WRITE_write = 7,
    MEMORY_WRITE_2 = 8,
    MEMORY_WRITE_2_read = 9,
    VERIFY_FIRMWARE = 10,
    TEST_MODE = 11,
    AUX_MODULE_INFO = 12,
    AUX_MODULE_CONFIG = 13,
    AUX_MODULE_SETUP = 14,
    PARKING_DEFAUTL = 15,
    ACTUAL_SLOT_CONFIGURATION = 16,
    ACTUAL_ALL_SLOT_CONFIGURATION = 17,
    WRITE_SLOTS_SETTINGS = 18,
    INDEX_SLOT_SETUP = 19,
    DECODE_SLOT_SETUP = 20,
    SLOT_SETTINGS_INFO = 21,
    ALL_SLOT_SETTINGS_INFO = 22,
    SEND_DATA_SLOT = 23,
    UNLOCK_VRAK_FLASH = 24,
    VRAK_DEFAULT_SETUP = 25,
    RESET_VRAK = 26,
    MBUS_SETUP = 27,
    MODULE_PROTECTION = 28,
    READ_MODULE_LOGS = 29,
    CLEAR_MODULE_LOGS = 30,
};
inline constexpr int kLastCommand = 30;

struct CommandInfo {
    std::string_view logName;  // text after "TX command: "
    std::uint8_t dest = 0;
    std::uint8_t length = 0;  // L
    std::uint8_t code = 0;
};

// The header of a command that the handler can send; nullptr for 0, 5, 25 and values above 30.
const CommandInfo* commandInfo(int cmd);

// The command's name in the status log; its number for a command without a header.
QString commandLogName(int cmd);

// The commands whose header (destination, L, code) the frame carries, as the status log names them,
// joined with "/" where several share it; empty for a frame of no command (or no frame).
std::string frameCommandNames(const std::uint8_t* frame, std::size_t size);

// Sum modulo 256 of bytes 7 .. 7+L-1.
std::uint8_t frameChecksum(const dataBuffer& b, int length);

// Bytes of a frame that carry the module password: the six digits of a MODULE_PROTECTION frame,
// their sum and the frame checksum that would give the sum away. Every dump and every recording
// shows them masked; the frame on the wire keeps them.
bool isSecretByte(const dataBuffer& frame, int index);

// "1.f2.2.2.0.2." — lowercase hex without leading zeros, each byte followed by '.'; a secret byte
// (isSecretByte) shows as "**.".
QString byteDump(const dataBuffer& b, int from, int count);


// Writes header, fixed data (RESET_VRAK, MBUS_SETUP), start bytes, checksum and count.
// Returns false (nothing written) when cmd has no header.
bool buildRequest(dataBuffer& tx, int cmd, std::uint16_t outputValue, std::uint8_t baudrateValue);

// Bytes 4 .. 7+L of the request, checksum included.
int requestFrameSize(const dataBuffer& tx);

// An answer belongs to the request when destination and code repeat it and the destination is not 0.
bool answerMatches(const dataBuffer& tx, const dataBuffer& rx);

// A matching answer to a memory read or write must also carry the requested address back in byte 9
// and have a byte 10 (the byte read; for a write, whatever the product puts there, not looked at).
// Bytes after byte 10 are allowed and ignored: only those two places are known. An answer for
// another address, or one too short to hold byte 10, is a wrong answer that must not be used
// (docs/link.md, "Answers"). Answers to every other command pass.
bool memoryAnswerWellFormed(int cmd, const dataBuffer& tx, const dataBuffer& rx);

// Product supply after an MBUS_SETUP output word: 1 on, 0 off, -1 unchanged.
int supplyFromOutputWord(std::uint16_t word);

// Cable_Module_DirectConnection from an MBUS_SETUP answer: input 2 high means no direct module.
std::uint8_t directConnectionFromAnswer(const dataBuffer& rx);

}  // namespace dravik
