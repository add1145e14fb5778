#pragma once
// Connection state shared by the interface, product and automatic-connection machines.

#include <QString>
#include <array>
#include <cstdint>

namespace dravik {

enum EnterInterface_state_ENUM : int {
    INTERFACE_START = 0,
    INTERFACE_SEND = 1,
    INTERFACE_WAIT_ANSWER = 2,
    INTERFACE_DONE = 3,
};

enum E_LANGUAGE : int { LANGUAGE_NOT_READ = 0, LANGUAGE_ENGLISH = 1, LANGUAGE_ITALIAN = 2, LANGUAGE_FRENCH = 3 };

// One entry of the M-Bus setup queue: output word, baud code, next command. All 0 = empty.
struct MbusSetupEntry {
    std::uint32_t output = 0;
    std::uint32_t baud = 0;
    std::uint32_t next = 0;
    bool empty() const { return output == 0 && baud == 0 && next == 0; }
};

struct ConnectionState {
    // Interface.
    QString myVID = QStringLiteral("0x2047");
    QString myPID = QStringLiteral("0x0301");
    QString myDeviceIndex = QStringLiteral("0");
    std::uint32_t numberOfUSBDevicesConnected = 0;
    bool scanDeviceAgain = false;
    std::uint8_t WorkingMode = 1;  // 1 standard mode, 0 boot mode
    bool Interface_connected = false;
    // The adapter's identification answer: identification, firmware version and sub-version.
    QString Interface_Id;
    std::uint8_t Interface_Version = 0;
    std::uint8_t Interface_Subversion = 0;
    QString Main_directory;
    bool Device_connection_request = false;
    int Language_type = LANGUAGE_NOT_READ;

    // Link.
    std::uint8_t Actual_communication = 2;  // 1 bus set up for the module, 2 for the product
    std::uint8_t Reboot = 0;
    std::uint8_t startUp = 0;
    std::uint8_t Working_parameters = 1;  // 1 product functions, 2 module and protocols
    std::array<MbusSetupEntry, 3> RequestCmd_MbusSetup{};
    std::uint8_t MbusSetup_index = 0;

    // Test page values.
    std::uint8_t OperativeMode_value = 0;
    std::uint8_t ChannelGroup_value = 0;
    std::uint8_t Channel_value = 0;

    // Automatic connection.
    bool AutoConnCmd = false;
};

}  // namespace dravik
