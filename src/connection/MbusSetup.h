#pragma once
// The M-Bus setup queue (a short script of adapter setups ending in the command the machine really
// wants) and the setup values of the test page, computed from its controls.

#include <array>
#include <cstdint>

#include "connection/ConnectionState.h"
#include "link/HandlerState.h"

namespace dravik {

// Output words of the adapter's eight lines (bit i+8 on, bit i off).
inline constexpr std::uint16_t kOutputsAllOff = 0x00FF;
inline constexpr std::uint16_t kOutputsProductOn = 0x837C;  // supply, key and pull-up 2 on
inline constexpr std::uint16_t kOutputsModuleOn = 0x857A;   // supply, output 1 high and pull-up 2 on

// Takes the next queue entry into Output_value, Baudrate_value and SendingCmd and clears it.
// Returns 1 when SendingCmd now names a command to send, 0 when the entry was empty (then
// nothing changes). The index moves on after an MBUS_SETUP entry and returns to 0 after the
// entry that ends the script.
std::uint8_t Mbus_setup_SM(ConnectionState& cs, HandlerState& hs);

// Loads a script of two entries, run after the machine's own first MBUS_SETUP, from its start:
// entry 0 and 1 as given, entry 2 empty, index 0. A script cut short earlier (a stopped process)
// therefore never leaves the next one starting half-way.
void loadMbusScript(ConnectionState& cs, MbusSetupEntry first, MbusSetupEntry second);

// The test page controls: the positions of its four lists and its eight line boxes in line order
// ("Power supply", "Key +15", "Out1 high", "Out1 low", "Out2 high", "Out 2 low", "PullUp1",
// "PullUp2"). A list without selection has position -1 and counts as its first entry.
struct TestPageControls {
    int modePosition = 0;
    int baudPosition = 0;
    int groupPosition = 0;
    int channelPosition = 0;
    std::array<bool, 8> lines{};
};

struct TestPageValues {
    std::uint8_t OperativeMode_value = 0;
    std::uint8_t Baudrate_value = 0;
    std::uint8_t ChannelGroup_value = 0;
    std::uint8_t Channel_value = 0;
    std::uint16_t Output_value = kOutputsAllOff;
};

// Mode = position + 1 (the first entry sends 1); the other lists send their position; each line
// contributes 0x100 << i when ticked and 1 << i when not.
TestPageValues Fill_SetupPacket(const TestPageControls& controls);

// Stores the values where the test page requests and the M-Bus setup read them.
void applyTestPageValues(const TestPageValues& values, ConnectionState& cs, HandlerState& hs);

}  // namespace dravik
