#include "connection/MbusSetup.h"

#include <algorithm>

#include "link/Report.h"

namespace dravik {

std::uint8_t Mbus_setup_SM(ConnectionState& cs, HandlerState& hs) {
    if (cs.MbusSetup_index >= cs.RequestCmd_MbusSetup.size()) cs.MbusSetup_index = 0;
    MbusSetupEntry& entry = cs.RequestCmd_MbusSetup[cs.MbusSetup_index];
    if (entry.empty()) return 0;
    hs.Output_value = static_cast<std::uint16_t>(entry.output & 0xFFFF);
    hs.Baudrate_value = static_cast<std::uint8_t>(entry.baud & 0xFF);
    hs.SendingCmd = static_cast<int>(entry.next);
    entry = {};
    if (cs.MbusSetup_index < 2 && hs.SendingCmd == MBUS_SETUP) {
        ++cs.MbusSetup_index;
    } else {
        cs.MbusSetup_index = 0;
    }
    return hs.SendingCmd != 0 ? 1 : 0;
}

void loadMbusScript(ConnectionState& cs, MbusSetupEntry first, MbusSetupEntry second) {
    cs.RequestCmd_MbusSetup = {first, second, MbusSetupEntry{}};
    cs.MbusSetup_index = 0;
}

namespace {
std::uint8_t position(int p) { return static_cast<std::uint8_t>(std::clamp(p, 0, 255)); }
}  // namespace

TestPageValues Fill_SetupPacket(const TestPageControls& c) {
    TestPageValues v;
    v.OperativeMode_value = static_cast<std::uint8_t>(std::clamp(c.modePosition, 0, 254) + 1);
    v.Baudrate_value = position(c.baudPosition);
    v.ChannelGroup_value = position(c.groupPosition);
    v.Channel_value = position(c.channelPosition);
    unsigned word = 0;
    for (unsigned i = 0; i < c.lines.size(); ++i) word += c.lines[i] ? (0x100u << i) : (1u << i);
    v.Output_value = static_cast<std::uint16_t>(word);
    return v;
}

void applyTestPageValues(const TestPageValues& v, ConnectionState& cs, HandlerState& hs) {
    cs.OperativeMode_value = v.OperativeMode_value;
    cs.ChannelGroup_value = v.ChannelGroup_value;
    cs.Channel_value = v.Channel_value;
    hs.Baudrate_value = v.Baudrate_value;
    hs.Output_value = v.Output_value;
}

}  // namespace dravik
