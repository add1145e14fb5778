#pragma once
// State of the product function machine and of the panel operations: the machine's state values,
// the operations it performs, its cursors and work fields, and the chaining flags by which a
// finished product operation starts a module operation.

#include <QString>
#include <array>
#include <cstdint>

namespace dravik {

enum EnterFunctions_state_ENUM : int {
    EnterFunc_IDLE = 0,
    EnterFunc_START = 1,
    EnterFunc_SEND = 2,
    EnterFunc_ANSWER = 3,
    EnterFunc_BUILD = 4,
    EnterFunc_READ = 5,
    EnterFunc_WRITE = 6,
    EnterFunc_PREREAD = 7,
    EnterFunc_WRITE_ONE = 8,
    EnterFunc_DEFAULT = 9,
    EnterFunc_END = 10,
    EnterFunc_WAITING = 11,
};

// Fnc_OperationToDo values.
enum E_FNC_OPERATION : std::uint8_t {
    OP_BUILD_AND_READ = 1,
    OP_READ = 2,
    OP_SET = 4,
    OP_SET_ONE = 5,
    OP_DEFAULTS = 12,
};

// Chaining flag values.
enum E_CHAIN_FLAG : std::uint8_t {
    CHAIN_NONE = 0,
    CHAIN_READ = 2,
    CHAIN_WRITE = 4,
};

struct FunctionState {
    // Cursors: 1-based row and item of a read or write pass; 0-based row of a single write.
    // A panel holds up to 255 rows, so the cursor that steps past the last row needs more than
    // 8 bits.
    std::uint16_t ComboBoxList_index = 1;
    std::uint16_t ComboBoxItem_index = 1;
    std::uint16_t Function_index = 0;

    std::uint8_t ReadBytes = 0;
    std::uint32_t ReadingValue = 0;                  // little-endian accumulator of a list value
    std::array<std::uint8_t, 10> ReadBytes_array{};  // a text value is at most 10 bytes
    std::uint8_t bytesToWrite = 0;
    std::uint8_t WriteBytes = 0;
    QString TextFunc4;
    std::uint16_t Function_ID = 0;

    // 0 nothing pending, 2 read pending, 4 write pending.
    std::uint8_t loadConfiguration_Parameters_flag = 0;
    std::uint8_t loadConfiguration_SelectedProtocol_flag = 0;
    std::uint8_t loadConfiguration_CheckedProtocol_flag = 0;
};

}  // namespace dravik
