#pragma once
// The simulated bench: a virtual adapter (USB HID side, eight output lines, M-Bus speed, input
// levels), the product behind it, a slot module wired directly to the cable and, later, the
// adapter's bootloader.
// Written from the device's side; it shares no code with the program. Time is passed in
// explicitly (microseconds), so the bench runs the same on real and on virtual time.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

using Report = std::array<std::uint8_t, 64>;  // 0x3F, size byte N (<= 62), N payload bytes

struct AdapterConfig {
    std::uint16_t vid = 0x2047;
    std::uint16_t pid = 0x0301;                              // 0x0200 while in its bootloader
    std::array<std::uint8_t, 4> identification{1, 2, 3, 4};  // answer bytes 9..12
    std::uint8_t operativeMode = 0;                          // MBUS_SETUP answer byte 9
    bool input1High = false;
    bool input2High = true;  // input 2 high: no module wired directly to the cable
    std::uint32_t baudCode3 = 19200;
    bool plugged = true;
    // false: counted like any adapter, but the user may not open it (no access rule installed).
    bool accessible = true;
    // false: an application that ignores the request to restart into its loader (no answer, no
    // restart).
    bool acceptsBootRequest = true;
    // Wireless identification answer: device type, hw type, hw version, sw type, sw version,
    // library version, logic number.
    std::array<std::uint8_t, 7> wirelessId{3, 1, 2, 1, 5, 1, 0};
};

struct ProductConfig {
    bool present = true;
    std::array<std::uint8_t, 4> identification{0, 37, 1, 0};  // answer bytes 9..12
    std::uint8_t baudCode = 1;                                // the only speed it answers at
    std::uint32_t bootTimeUs = 500000;                        // silent this long after power-up
    std::array<std::uint8_t, 256> memory{};
    std::array<std::uint8_t, 256> defaults{};  // PARKING_DEFAUTL restores these
    bool hasModule = false;
    std::array<std::uint8_t, 3> moduleInfo{1, 0xA1, 1};  // AUX_MODULE_INFO bytes 9..11
    std::array<std::uint8_t, 3> moduleConfig{0, 0, 0};   // AUX_MODULE_CONFIG bytes 9..11
    // Where the product keeps the settings of a module behind it (three bytes); the module setup
    // request writes them there.
    std::uint8_t moduleInfoAddress = 0x30;
    // A cell that answers a write as done but keeps its byte (-1: none), as a protected or worn
    // cell does: only a read-back shows it.
    int keepsAddress = -1;
};

// One protocol slot of a slot module.
struct SlotConfig {
    std::array<std::uint8_t, 14> name{' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    std::uint8_t revision = ' ';
    std::uint8_t version = 0;
    std::uint8_t decoderType = 0;
    std::uint8_t group = 0;      // reported by the working-slot request
    std::uint8_t groupCode = 0;  // reported by the all-slot request (100 + group, 100, 200.. or group)
    std::array<std::uint8_t, 4> state{};  // bit 0 of state[0]: the slot is in the selection
};

struct LogEntry {
    std::uint16_t time = 0;
    std::uint8_t type = 0;
    std::array<std::uint8_t, 5> data{};
};

// The module's current protocol selection. The decoder type and version it reports are those of
// the selected slot.
struct ModuleSelection {
    std::uint8_t slot = 0;  // 1-based number among all slots; 0 = none
    std::uint8_t parameterB = 0;
    std::uint8_t parameterC = 0;
    std::uint8_t maxParameterB = 0;
    std::uint8_t maxParameterC = 0;
};

// A slot module wired directly to the adapter's cable. It listens on the product's destination
// only while the adapter's lines are switched for it and the M-Bus runs at its own speed.
struct ModuleConfig {
    bool present = false;
    std::uint8_t hardwareVersion = 1;
    std::uint8_t softwareType = 0xA1;  // 0xA1: every slot is a working slot; 0xA2: the selected ones
    std::uint8_t softwareVersion = 1;
    std::uint8_t baudCode = 3;
    std::uint32_t bootTimeUs = 100000;  // silent this long after its supply comes on
    std::vector<SlotConfig> allSlots;   // all slots; slot n at index n-1
    ModuleSelection selection;
    std::uint8_t protection = 0;             // 0 unlocked, 1 locked; other values are reported as they are
    std::array<std::uint8_t, 3> password{};  // six decimal digits, two per byte, first in the high half
    std::vector<LogEntry> logs;
    std::optional<std::uint8_t> logsNumber;  // reported instead of the number of entries
    std::array<std::uint8_t, 2> unlockKeys{0xA5, 0x5A};
    std::uint8_t slotsPerBlock = 4;    // slots of one programmed image: the last ones of the module
    std::uint16_t bytesPerSlot = 256;  // a multiple of 16
    // XORed into the 18 header bytes of each programmed slot when the image is installed: a module
    // whose protocol files carry scrambled headers reads them back in the clear.
    std::uint8_t headerKey = 0;
};

struct Timing {
    std::uint32_t usbFrameUs = 1000;  // one USB frame each way
    std::uint32_t adapterTurnaroundUs = 200;
    std::uint32_t productTurnaroundUs = 2000;
    std::uint32_t moduleTurnaroundUs = 2000;
};

// Answers of one command on the product's destination (product or module) that a fault affects:
// the first `after` pass, the next `count` are hit.
struct CommandFault {
    std::uint8_t code = 0;
    int after = 0;
    int count = 0;
};

struct Faults {
    int dropNext = 0;                          // this many next answers are never sent
    int corruptNext = 0;                       // this many next answers get a wrong code byte
    int truncateNext = 0;                      // this many next answers come without their data bytes
    int misaddressNext = 0;                    // this many next answers carry data byte 0 (the address) + 1
    int lengthenNext = 0;                      // this many next answers carry one data byte more (0)
    std::uint32_t extraDelayUs = 0;            // added to every answer
    std::vector<CommandFault> dropCommand;     // answers never sent
    std::vector<CommandFault> corruptCommand;  // answers with a wrong code byte
    // The module's n-th flash line answer (counted from 1 since the bench started; 0 = never)
    // echoes a wrong slot or a wrong line.
    int wrongSlotEchoAtLine = 0;
    int wrongLineEchoAtLine = 0;
    // The module loses power on receiving its n-th flash line: it does not answer and stays
    // silent, its flash locked and the received lines lost, until its supply is switched off and on.
    int powerLossAtLine = 0;
};

// The adapter's loader and flash (sim/Bootloader.h).
struct BootloaderConfig {
    bool blank = false;                    // vectors erased: no application, the adapter starts in its loader
    bool leftoverCode = false;             // with blank: main flash still holds code below the vectors
    std::uint32_t restartUs = 1500000;     // off the bus after a restart until it is back
    std::int64_t segmentEraseUs = 28000;   // segment or mass erase
    std::int64_t wordProgramUs = 75;       // per two bytes written to flash
    std::int64_t crcNsPerByte = 250;
    // Faults.
    bool rejectPasswords = false;    // the device rejects every password (and mass-erases)
    int corruptBlocks = 0;           // this many next flash data blocks arrive with one bit wrong
    int unplugAfterReports = -1;     // the adapter is unplugged after this many loader reports
};

struct BenchConfig {
    int version = 1;
    AdapterConfig adapter;
    ProductConfig product;
    ModuleConfig module;
    Timing timing;
    Faults faults;
    BootloaderConfig bootloader;
};

// Parses a bench file (JSON). On error returns nullopt and sets error to a message that names the
// offending key or value.
std::optional<BenchConfig> parseBenchJson(const std::string& text, std::string& error);
std::optional<BenchConfig> loadBenchFile(const std::string& path, std::string& error);

// One frame the bench received from the host, as the device saw it.
struct ReceivedFrame {
    std::int64_t timeUs = 0;
    std::vector<std::uint8_t> frame;  // 0x01, dest, 0x02, L, code, data..., checksum
    // false: bad report id, size, header, length or checksum; such a frame is not answered
    bool valid = true;
};

class Bench {
public:
    explicit Bench(BenchConfig config);

    // Host side of the HID pipe. write() takes an output report; read() returns the earliest
    // answer ready at or before nowUs. nextReadyUs() tells when the next answer will be ready.
    void write(const Report& report, std::int64_t nowUs);
    std::optional<Report> read(std::int64_t nowUs);
    std::optional<std::int64_t> nextReadyUs() const;

    // Restarts (into the loader, into the RAM loader, a reset) take the device off the bus for a
    // while; advance applies what is due by nowUs. Call it before looking at the bus.
    void advance(std::int64_t nowUs);
    // On the bus now (plugged and not restarting); the id it shows; a number that changes each
    // time it leaves the bus, so a handle opened before is known dead.
    bool present() const;
    std::uint16_t currentPid() const;
    int busGeneration() const;
    // When the device can take the next report (it is still busy with the previous one).
    std::int64_t writeReadyUs() const;

    // The loader's view: flash contents, the erased segments, mass erases, loader reports received.
    std::uint8_t flashAt(std::uint32_t address) const;
    const std::vector<std::uint32_t>& erasedSegments() const;
    int massErases() const;
    const std::vector<std::vector<std::uint8_t>>& loaderReports() const;
    static std::string testRamLoaderText();

    // Plugging and the device count.
    bool plugged() const;
    bool accessible() const;
    void plug();
    void unplug();  // drops pending answers
    int count(std::uint16_t vid, std::uint16_t pid) const;

    BenchConfig& config();
    const std::vector<ReceivedFrame>& received() const;
    void clearReceived();

    // What the adapter drives now.
    std::uint16_t outputWord() const;
    std::uint8_t baudCode() const;  // the speed the adapter's M-Bus runs at (1, 2, 3)
    bool productPowered(std::int64_t nowUs) const;
    bool productBooted(std::int64_t nowUs) const;  // powered for at least its boot time
    const std::array<std::uint8_t, 256>& productMemory() const;
    // Every write the product accepted: (address, value).
    const std::vector<std::pair<std::uint8_t, std::uint8_t>>& productWrites() const;
    // Whether the adapter's lines and speed let the direct module hear requests now.
    bool moduleListening(std::int64_t nowUs) const;
    // The flash image the module has received since its last unlock (erased bytes are 0xFF).
    const std::vector<std::uint8_t>& moduleImage() const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace sim
