#pragma once
// The test page's direct requests to the adapter: M-Bus identification and setup, wireless
// identification and setup. Each is one complete exchange inside the interface library, refused
// while any process is in progress. The exchange runs on the pump's worker; the click returns at
// once and the outcome is shown when the answer (or the library's time-out) has come.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "connection/ConnectionState.h"
#include "connection/ConnectionView.h"
#include "connection/MbusSetup.h"
#include "link/CommandHandler.h"
#include "link/InterfaceLibrary.h"
#include "link/Views.h"

namespace dravik {

class TestPageRequests {
public:
    struct Deps {
        ConnectionState& cs;
        HandlerState& hs;
        CommandHandler& handler;
        InterfaceLibrary& lib;
        ConnectionView& view;
        LogView& log;
        Dialogs& dialogs;
    };

    explicit TestPageRequests(Deps d) : d_(d) {}

    // Any of the four lists changed or any line box was clicked.
    void Fill_SetupPacket(const TestPageControls& controls);

    // M-Bus group: "ID req." and "send".
    void button_Mbus_ID_Request_Click();
    void button_Send_Mbus_Setup_Req_Click();
    // Wireless group: "ID req." with the texts of the destination-address and system-type fields,
    // and "send".
    void button_Wi_ID_Request_Click(const QString& destAddressText, const QString& sysTypeText);
    void button_Send_Wi_Setup_Req_Click();

    // Hexadecimal 32-bit number, with or without "0x", surrounding blanks allowed.
    static std::optional<std::uint32_t> parseDestAddress(const QString& text);
    // Decimal number from 0 to 255, surrounding blanks allowed.
    static std::optional<std::uint8_t> parseSysType(const QString& text);

private:
    bool refused();
    // Starts the exchange; show gets its result on the UI thread.
    void request(std::function<int(InterfaceLibrary&)> send, std::function<void(int)> show);
    // "RX error <code>!" line for a failed exchange.
    static QString rxError(int code);
    void appendResult(const QString& text);

    Deps d_;
};

}  // namespace dravik
