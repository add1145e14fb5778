#include "sim/Bootloader.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

constexpr std::uint8_t kRxDataBlock = 0x10;
constexpr std::uint8_t kRxPassword = 0x11;
constexpr std::uint8_t kEraseSegment = 0x12;
constexpr std::uint8_t kToggleInfoLock = 0x13;
constexpr std::uint8_t kMassErase = 0x15;
constexpr std::uint8_t kCrcCheck = 0x16;
constexpr std::uint8_t kLoadPc = 0x17;
constexpr std::uint8_t kTxDataBlock = 0x18;
constexpr std::uint8_t kTxVersion = 0x19;
constexpr std::uint8_t kRxDataBlockFast = 0x1B;

constexpr std::uint8_t kStatusOk = 0x00;
constexpr std::uint8_t kStatusWriteCheck = 0x01;
constexpr std::uint8_t kStatusLocked = 0x04;
constexpr std::uint8_t kStatusPassword = 0x05;
constexpr std::uint8_t kStatusForbidden = 0x06;
constexpr std::uint8_t kStatusUnknown = 0x07;
constexpr std::uint8_t kStatusTooLong = 0x08;

// Power-management control: 0xA5 into the key byte and 0x02 (software brown-out) forces a reset.
constexpr std::uint32_t kPmmControl = 0x0120;
constexpr std::uint32_t kRamLoaderA = 0x2500, kRamLoaderALength = 117;
constexpr std::uint32_t kRamLoaderB = 0x2576, kRamLoaderBLength = 2300;
constexpr std::uint32_t kMaxTx = 60;

Bytes status(std::uint8_t s) { return Bytes{0x3B, s}; }

std::uint32_t address3(const Bytes& core) {
    return static_cast<std::uint32_t>(core[1] | core[2] << 8 | core[3] << 16) & 0xFFFFF;
}

bool inRange(std::uint32_t a, std::uint32_t start, std::uint32_t end) { return a >= start && a < end; }
bool isFlash(std::uint32_t a) {
    return inRange(a, Bootloader::kInfoStart, Bootloader::kInfoEnd) ||
           inRange(a, Bootloader::kMainStart, Bootloader::kMainEnd);
}

}  // namespace

Bootloader::Bootloader(BootloaderConfig& config, const AdapterConfig& adapter)
    : config_(config), memory_(0x100000, 0xFF), ramWritten_(kRamEnd - kRamStart, false) {
    std::fill(memory_.begin() + kRamStart, memory_.begin() + kRamEnd, std::uint8_t{0});
    if (!config_.blank || config_.leftoverCode) {
        for (std::uint32_t a = kMainStart; a < kMainStart + 0x2000; ++a)
            memory_[a] = static_cast<std::uint8_t>(a * 7 + 3);
    }
    if (!config_.blank) {
        // An application is present: its identification and vectors pointing at it.
        std::copy(adapter.identification.begin(), adapter.identification.end(),
                  memory_.begin() + kIdentification);
        for (std::uint32_t a = kVectors; a < kVectors + 32; a += 2) {
            memory_[a] = static_cast<std::uint8_t>(kMainStart & 0xFF);
            memory_[a + 1] = static_cast<std::uint8_t>(kMainStart >> 8);
        }
    }
}

void Bootloader::reset() {
    unlocked_ = false;
    std::fill(ramWritten_.begin(), ramWritten_.end(), false);
}

bool Bootloader::applicationValid() const {
    return memory_[kResetVector] != 0xFF || memory_[kResetVector + 1] != 0xFF;
}

std::array<std::uint8_t, 4> Bootloader::applicationId() const {
    std::array<std::uint8_t, 4> id{};
    std::copy_n(memory_.begin() + kIdentification, 4, id.begin());
    return id;
}

Bootloader::Result Bootloader::handle(const Bytes& core, Mode mode) {
    if (core.empty()) return {status(kStatusUnknown)};
    const std::uint8_t code = core[0];
    const bool builtIn = mode == Mode::BuiltIn;
    if (builtIn && code != kRxDataBlockFast && code != kRxPassword && code != kLoadPc)
        return {status(kStatusUnknown)};
    if (code == kRxPassword) return password(core);
    const bool needsAddress = code == kRxDataBlock || code == kRxDataBlockFast || code == kEraseSegment ||
                              code == kCrcCheck || code == kLoadPc || code == kTxDataBlock;
    if (needsAddress && core.size() < 4) return {status(kStatusTooLong)};
    if (!unlocked_) {
        if (code == kRxDataBlockFast || code == kLoadPc) return {};
        return {status(kStatusLocked)};
    }
    switch (code) {
        case kRxDataBlock:
            return write(core, true, mode);
        case kRxDataBlockFast:
            return write(core, false, mode);
        case kEraseSegment:
            return erase(address3(core));
        case kToggleInfoLock:
            return {status(kStatusOk)};
        case kMassErase:
            massErase();
            return {status(kStatusOk), config_.segmentEraseUs};
        case kCrcCheck:
            if (core.size() < 6) return {status(kStatusTooLong)};
            return crc(address3(core), static_cast<std::uint32_t>(core[4] | core[5] << 8));
        case kLoadPc: {
            Result r;
            if (builtIn && address3(core) == kRamLoaderEntry && ramLoaderWritten())
                r.restart = Restart::IntoRamLoader;
            return r;
        }
        case kTxDataBlock: {
            if (core.size() < 6) return {status(kStatusTooLong)};
            const std::uint32_t a = address3(core);
            const std::uint32_t n = static_cast<std::uint32_t>(core[4] | core[5] << 8);
            if (n > kMaxTx) return {status(kStatusTooLong)};
            Bytes reply{0x3A};
            for (std::uint32_t i = 0; i < n; ++i) reply.push_back(at(a + i));
            return {reply};
        }
        case kTxVersion:
            return {Bytes{0x3A, 0x53, 0x49, 0x4D, 0x01}};
        default:
            return {status(kStatusUnknown)};
    }
}

Bootloader::Result Bootloader::password(const Bytes& core) {
    if (core.size() != 33) return {status(kStatusTooLong)};
    const bool match = std::equal(core.begin() + 1, core.end(), memory_.begin() + kVectors);
    if (match && !config_.rejectPasswords) {
        unlocked_ = true;
        return {status(kStatusOk)};
    }
    // A wrong password wipes the code: nobody may read out what the password protected.
    unlocked_ = false;
    massErase();
    return {status(kStatusPassword), config_.segmentEraseUs};
}

Bootloader::Result Bootloader::write(const Bytes& core, bool reply, Mode mode) {
    const std::uint32_t start = address3(core);
    Bytes data(core.begin() + 4, core.end());
    if (data.size() == 2 && start == kPmmControl && data[0] == 0xA5 && (data[1] & 0x02) != 0) {
        Result r;
        r.restart = Restart::Reset;
        if (reply) r.reply = status(kStatusOk);
        return r;
    }
    const bool toFlash =
        std::any_of(data.begin(), data.end(),
                    [&, i = std::uint32_t{0}](std::uint8_t) mutable { return isFlash(start + i++); });
    if (mode == Mode::BuiltIn && toFlash)
        return {reply ? std::optional(status(kStatusForbidden)) : std::nullopt};
    if (toFlash && config_.corruptBlocks > 0 && !data.empty()) {
        --config_.corruptBlocks;
        data[0] ^= 0x01;  // one bit lost on the way
    }
    bool ok = true;
    std::int64_t flashBytes = 0;
    for (std::uint32_t i = 0; i < data.size(); ++i) {
        const std::uint32_t a = (start + i) & 0xFFFFF;
        if (isFlash(a)) {
            memory_[a] &= data[i];
            ok = ok && memory_[a] == data[i];
            ++flashBytes;
        } else if (inRange(a, kRamStart, kRamEnd)) {
            memory_[a] = data[i];
            ramWritten_[a - kRamStart] = true;
        } else {
            ok = false;
        }
    }
    Result r;
    r.busyUs = (flashBytes + 1) / 2 * config_.wordProgramUs;
    if (reply) r.reply = status(ok ? kStatusOk : kStatusWriteCheck);
    return r;
}

Bootloader::Result Bootloader::erase(std::uint32_t address) {
    std::uint32_t start = 0, size = 0;
    if (inRange(address, kMainStart, kMainEnd)) {
        size = kMainSegment;
        start = kMainStart + (address - kMainStart) / size * size;
    } else if (inRange(address, kInfoStart, kInfoEnd)) {
        size = kInfoSegment;
        start = kInfoStart + (address - kInfoStart) / size * size;
    } else {
        return {status(kStatusForbidden)};
    }
    std::fill_n(memory_.begin() + start, size, std::uint8_t{0xFF});
    erased_.push_back(start);
    return {status(kStatusOk), config_.segmentEraseUs};
}

Bootloader::Result Bootloader::crc(std::uint32_t address, std::uint32_t length) const {
    std::uint16_t c = 0xFFFF;
    for (std::uint32_t i = 0; i < length; ++i) {
        c ^= static_cast<std::uint16_t>(at(address + i) << 8);
        for (int bit = 0; bit < 8; ++bit)
            c = static_cast<std::uint16_t>(c & 0x8000 ? (c << 1) ^ 0x1021 : c << 1);
    }
    Result r{Bytes{0x3A, static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)}};
    r.busyUs = static_cast<std::int64_t>(length) * config_.crcNsPerByte / 1000;
    return r;
}

void Bootloader::massErase() {
    std::fill(memory_.begin() + kMainStart, memory_.begin() + kMainEnd, std::uint8_t{0xFF});
    ++massErases_;
}

bool Bootloader::ramLoaderWritten() const {
    auto all = [this](std::uint32_t a, std::uint32_t n) {
        return std::all_of(ramWritten_.begin() + (a - kRamStart), ramWritten_.begin() + (a - kRamStart + n),
                           [](bool w) { return w; });
    };
    return all(kRamLoaderA, kRamLoaderALength) && all(kRamLoaderB, kRamLoaderBLength);
}

std::string Bootloader::testRamLoaderText() {
    std::string text;
    auto section = [&text](std::uint32_t address, std::uint32_t n) {
        char line[16];
        std::snprintf(line, sizeof line, "@%04X\n", static_cast<unsigned>(address));
        text += line;
        for (std::uint32_t i = 0; i < n; ++i) {
            std::snprintf(line, sizeof line, "%02X", static_cast<unsigned>((address + i * 13) & 0xFF));
            text += line;
            text += (i % 16 == 15 || i + 1 == n) ? "\n" : " ";
        }
    };
    section(kRamLoaderA, kRamLoaderALength);
    section(kRamLoaderB, kRamLoaderBLength);
    return text + "q\n";
}

}  // namespace sim
