#include "sim/Module.h"

#include <algorithm>

namespace sim {

namespace {

constexpr std::uint8_t kActualSlotConfiguration = 0x09;
constexpr std::uint8_t kActualAllSlotConfiguration = 0x0A;
constexpr std::uint8_t kSlotSettingsInfo = 0x0B;
constexpr std::uint8_t kAllSlotSettingsInfo = 0x0C;
constexpr std::uint8_t kWriteSlotsSettings = 0x0D;
constexpr std::uint8_t kIndexSlotSetup = 0x08;  // also the selection reset: slot 1, parameters 0
constexpr std::uint8_t kDecodeSlotSetup = 0x0F;
constexpr std::uint8_t kModuleProtection = 0x0E;
constexpr std::uint8_t kModuleLogs = 0x79;
constexpr std::uint8_t kSendDataSlot = 0x7C;
constexpr std::uint8_t kUnlockFlash = 0x7E;
constexpr std::uint8_t kVerifyFirmware = 0x7F;

constexpr std::uint8_t kSlotModule = 0xA1;  // no all-slot list, no lock, no log

constexpr std::uint8_t kKeyLine = 0x02;
constexpr std::uint8_t kOutput1HighLine = 0x04;

constexpr std::uint8_t kAccepted = 1;
constexpr std::uint8_t kRefused = 0;
constexpr std::uint8_t kClearLogs = 0xFF;
constexpr std::uint8_t kSelectedBit = 0x01;

constexpr std::size_t kSetupBytes = 4;       // slot or decoder, parameter high, low, sum
constexpr std::size_t kProtectionBytes = 5;  // lock, three packed password bytes, sum
constexpr std::size_t kSlotStateBytes = 5;   // slot, four state bytes
constexpr std::size_t kLineRequestBytes = 18;
constexpr std::size_t kWorkingAnswerBytes = 19;
constexpr std::size_t kAllAnswerBytes = 23;
constexpr std::size_t kLogAnswerBytes = 9;

std::uint8_t sumOf(const Bytes& data, std::size_t from, std::size_t to) {
    unsigned sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        sum += data[i];
    }
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

std::uint8_t countByte(std::size_t count) {
    return static_cast<std::uint8_t>(std::min<std::size_t>(count, 0xFF));
}

}  // namespace

Module::Module(ModuleConfig& config, const Faults& faults)
    : config_(config), faults_(faults), flash_(config) {}

bool Module::owns(std::uint8_t lines) const {
    return config_.present && (lines & kOutput1HighLine) != 0 && (lines & kKeyLine) == 0;
}

bool Module::listens(std::uint8_t lines, std::uint8_t baudCode, std::optional<std::int64_t> supplyOnSinceUs,
                     std::int64_t atUs) const {
    return owns(lines) && baudCode == config_.baudCode && supplyOnSinceUs.has_value() &&
           supplyOnSinceUs != deadInSupplySinceUs_ &&
           atUs - *supplyOnSinceUs >= static_cast<std::int64_t>(config_.bootTimeUs);
}

std::optional<Bytes> Module::handle(const Frame& request, std::int64_t supplyOnSinceUs) {
    if (runningSinceUs_ != supplyOnSinceUs) {
        // A new power-up: the loader starts locked; slots, selection, lock and log are in flash.
        runningSinceUs_ = supplyOnSinceUs;
        flash_.reset();
    }
    const Bytes& data = request.data;
    const bool full = config_.softwareType != kSlotModule;
    switch (request.code) {
        case kActualSlotConfiguration:
            if (data.empty()) return actualSelection();
            break;
        case kActualAllSlotConfiguration:
            if (data.empty() && full) return actualAll();
            break;
        case kSlotSettingsInfo:
            if (data.size() == 1) return slotInfo(data[0], false);
            break;
        case kAllSlotSettingsInfo:
            if (data.size() == 1 && full) return slotInfo(data[0], true);
            break;
        case kWriteSlotsSettings:
            if (data.size() == kSlotStateBytes && full) return writeSlotSettings(data);
            break;
        case kIndexSlotSetup:
            if (data.size() == kSetupBytes) return indexSetup(data);
            break;
        case kDecodeSlotSetup:
            if (data.size() == kSetupBytes) return decodeSetup(data);
            break;
        case kModuleProtection:
            if (data.size() == kProtectionBytes && full) return protection(data);
            break;
        case kModuleLogs:
            if (data.size() == 1 && full) return logs(data[0]);
            break;
        case kUnlockFlash:
            if (data.size() == 2) return flash_.unlock(data[0], data[1]);
            break;
        case kSendDataSlot:
            if (data.size() == kLineRequestBytes) return flashLine(data, supplyOnSinceUs);
            break;
        case kVerifyFirmware:
            if (data.size() == 2) return flash_.verify(data[0], data[1]);
            break;
        default:
            break;
    }
    return std::nullopt;
}

bool Module::selectsBySlotState() const { return config_.softwareType != kSlotModule; }

std::vector<std::size_t> Module::workingSlots() const {
    std::vector<std::size_t> working;
    for (std::size_t i = 0; i < config_.allSlots.size(); ++i) {
        if (!selectsBySlotState() || (config_.allSlots[i].state[0] & kSelectedBit) != 0) {
            working.push_back(i);
        }
    }
    return working;
}

const SlotConfig* Module::selectedSlot() const {
    const std::size_t slot = config_.selection.slot;
    return slot >= 1 && slot <= config_.allSlots.size() ? &config_.allSlots[slot - 1] : nullptr;
}

Bytes Module::actualSelection() const {
    const ModuleSelection& s = config_.selection;
    const SlotConfig* selected = selectedSlot();
    return Bytes{selected != nullptr ? selected->version : std::uint8_t{0},
                 s.slot,
                 s.parameterB,
                 s.parameterC,
                 countByte(workingSlots().size()),
                 s.maxParameterB,
                 s.maxParameterC,
                 selected != nullptr ? selected->decoderType : std::uint8_t{0}};
}

Bytes Module::actualAll() const {
    const std::uint8_t logsNumber = config_.logsNumber.value_or(countByte(config_.logs.size()));
    return Bytes{countByte(config_.allSlots.size()), config_.protection, logsNumber};
}

// A slot number outside the list is answered with slot 0 and zeros.
Bytes Module::slotInfo(std::uint8_t number, bool all) const {
    Bytes answer(all ? kAllAnswerBytes : kWorkingAnswerBytes, 0);
    const SlotConfig* slot = nullptr;
    if (all) {
        if (number >= 1 && number <= config_.allSlots.size()) slot = &config_.allSlots[number - 1u];
    } else {
        const auto working = workingSlots();
        if (number >= 1 && number <= working.size()) slot = &config_.allSlots[working[number - 1u]];
    }
    if (slot == nullptr) {
        return answer;
    }
    answer[0] = number;
    std::copy(slot->name.begin(), slot->name.end(), answer.begin() + 1);
    answer[15] = slot->revision;
    answer[16] = slot->version;
    answer[17] = slot->decoderType;
    answer[18] = all ? slot->groupCode : slot->group;
    if (all) {
        std::copy(slot->state.begin(), slot->state.end(), answer.begin() + 19);
    }
    return answer;
}

Bytes Module::writeSlotSettings(const Bytes& data) {
    const std::size_t number = data[0];
    if (config_.protection != 0 || number < 1 || number > config_.allSlots.size()) {
        return Bytes{kRefused};
    }
    std::copy(data.begin() + 1, data.end(), config_.allSlots[number - 1].state.begin());
    return Bytes{kAccepted};
}

// Slot (a working-slot number), parameter word high and low, sum of the three.
Bytes Module::indexSetup(const Bytes& data) {
    const auto working = workingSlots();
    const std::size_t number = data[0];
    if (sumOf(data, 0, 3) != data[3] || number < 1 || number > working.size()) {
        return Bytes{kRefused};
    }
    config_.selection.slot = countByte(working[number - 1] + 1);
    config_.selection.parameterB = data[1];
    config_.selection.parameterC = data[2];
    return Bytes{kAccepted};
}

// Decoder type, parameter word high and low, sum: the working slot of that decoder type with the
// highest version is selected.
Bytes Module::decodeSetup(const Bytes& data) {
    if (sumOf(data, 0, 3) != data[3]) {
        return Bytes{kRefused};
    }
    std::optional<std::size_t> best;
    for (const std::size_t i : workingSlots()) {
        const SlotConfig& slot = config_.allSlots[i];
        if (slot.decoderType == data[0] && (!best || slot.version > config_.allSlots[*best].version)) {
            best = i;
        }
    }
    if (!best) {
        return Bytes{kRefused};
    }
    config_.selection.slot = countByte(*best + 1);
    config_.selection.parameterB = data[1];
    config_.selection.parameterC = data[2];
    return Bytes{kAccepted};
}

// Lock (1) or unlock (0), the password as three packed-decimal bytes, their sum.
Bytes Module::protection(const Bytes& data) {
    const std::uint8_t lock = data[0];
    const bool rightPassword = std::equal(config_.password.begin(), config_.password.end(), data.begin() + 1);
    if (sumOf(data, 1, 4) != data[4] || lock > 1 || !rightPassword) {
        return Bytes{kRefused};
    }
    config_.protection = lock;
    return Bytes{kAccepted};
}

// Entry n (1-based): n, time high, low, type, five data bytes; 0xFF clears the log. An entry
// number outside the log is answered with entry 0 and zeros.
Bytes Module::logs(std::uint8_t number) {
    if (number == kClearLogs) {
        config_.logs.clear();
        config_.logsNumber.reset();
        return Bytes{kClearLogs};
    }
    Bytes answer(kLogAnswerBytes, 0);
    if (number < 1 || number > config_.logs.size()) {
        return answer;
    }
    const LogEntry& entry = config_.logs[number - 1u];
    answer[0] = number;
    answer[1] = static_cast<std::uint8_t>(entry.time >> 8);
    answer[2] = static_cast<std::uint8_t>(entry.time & 0xFF);
    answer[3] = entry.type;
    std::copy(entry.data.begin(), entry.data.end(), answer.begin() + 4);
    return answer;
}

std::optional<Bytes> Module::flashLine(const Bytes& data, std::int64_t supplyOnSinceUs) {
    ++linesReceived_;
    if (linesReceived_ == faults_.powerLossAtLine) {
        deadInSupplySinceUs_ = supplyOnSinceUs;
        flash_.reset();
        return std::nullopt;
    }
    Bytes answer = flash_.line(data);
    if (linesReceived_ == faults_.wrongSlotEchoAtLine) {
        answer[0] = static_cast<std::uint8_t>(answer[0] + 1);
    }
    if (linesReceived_ == faults_.wrongLineEchoAtLine) {
        answer[1] = static_cast<std::uint8_t>(answer[1] + 1);
    }
    return answer;
}

}  // namespace sim
