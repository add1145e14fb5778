#include "sim/BenchFileModule.h"

namespace sim::benchfile {

namespace {

constexpr std::uint64_t kMaxByte = 0xFF;
constexpr std::uint64_t kMaxBootMs = 60000;
constexpr std::size_t kMaxSlots = 250;
constexpr std::size_t kMaxLogs = 254;  // 255 entries would read as "no log"
constexpr std::uint64_t kMaxSlotsPerBlock = 16;
constexpr std::uint64_t kMinBytesPerSlot = 32;
constexpr std::uint64_t kMaxBytesPerSlot = 4096;
constexpr std::uint64_t kMaxFaultCount = 1000000;
constexpr std::size_t kPasswordDigits = 6;

const nlohmann::json& arrayAt(const Fields& fields, const char* key, std::size_t maxItems) {
    const nlohmann::json& value = *fields.find(key);
    if (!value.is_array() || value.size() > maxItems) {
        fail("\"" + fields.pathOf(key) + "\": expected an array of at most " + std::to_string(maxItems) +
             " items, got " + describe(value));
    }
    return value;
}

// Printable ASCII, at most 14 characters, padded with spaces.
void readName(const Fields& fields, std::array<std::uint8_t, 14>& name) {
    const nlohmann::json* value = fields.find("name");
    if (value == nullptr) {
        return;
    }
    const std::string path = "\"" + fields.pathOf("name") + "\"";
    if (!value->is_string() || value->get<std::string>().size() > name.size()) {
        fail(path + ": expected a text of at most 14 characters, got " + describe(*value));
    }
    const std::string text = value->get<std::string>();
    name.fill(' ');
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] < 0x20 || text[i] > 0x7E) {
            fail(path + ": only printable ASCII characters are allowed");
        }
        name[i] = static_cast<std::uint8_t>(text[i]);
    }
}

// One character ("B") or its code.
void readRevision(const Fields& fields, std::uint8_t& revision) {
    const nlohmann::json* value = fields.find("revision");
    if (value == nullptr) {
        return;
    }
    if (value->is_string() && value->get<std::string>().size() == 1) {
        revision = static_cast<std::uint8_t>(value->get<std::string>()[0]);
        return;
    }
    revision = static_cast<std::uint8_t>(toInteger(*value, fields.pathOf("revision"), 0, kMaxByte));
}

SlotConfig readSlot(const nlohmann::json& value, const std::string& path) {
    const Fields fields(value, path,
                        {"name", "revision", "version", "decoderType", "group", "groupCode", "state"});
    SlotConfig slot;
    readName(fields, slot.name);
    readRevision(fields, slot.revision);
    fields.readInteger("version", 0, kMaxByte, slot.version);
    fields.readInteger("decoderType", 0, kMaxByte, slot.decoderType);
    fields.readInteger("group", 0, kMaxByte, slot.group);
    slot.groupCode = slot.group;
    fields.readInteger("groupCode", 0, kMaxByte, slot.groupCode);
    fields.readBytes("state", slot.state);
    return slot;
}

LogEntry readLog(const nlohmann::json& value, const std::string& path) {
    const Fields fields(value, path, {"time", "type", "data"});
    LogEntry entry;
    fields.readInteger("time", 0, 0xFFFF, entry.time);
    fields.readInteger("type", 0, kMaxByte, entry.type);
    fields.readBytes("data", entry.data);
    return entry;
}

// Six decimal digits, packed two per byte, first digit in the high half.
void readPassword(const Fields& fields, std::array<std::uint8_t, 3>& password) {
    const nlohmann::json* value = fields.find("password");
    if (value == nullptr) {
        return;
    }
    const std::string text = value->is_string() ? value->get<std::string>() : std::string();
    bool digits = text.size() == kPasswordDigits;
    for (const char c : text) {
        digits = digits && c >= '0' && c <= '9';
    }
    if (!digits) {
        fail("\"" + fields.pathOf("password") + "\": expected a text of six digits, got " + describe(*value));
    }
    for (std::size_t i = 0; i < password.size(); ++i) {
        password[i] = static_cast<std::uint8_t>((text[2 * i] - '0') << 4 | (text[2 * i + 1] - '0'));
    }
}

void readSelection(const Fields& fields, ModuleSelection& selection) {
    fields.readInteger("slot", 0, kMaxByte, selection.slot);
    fields.readInteger("parameterB", 0, kMaxByte, selection.parameterB);
    fields.readInteger("parameterC", 0, kMaxByte, selection.parameterC);
    fields.readInteger("maxParameterB", 0, kMaxByte, selection.maxParameterB);
    fields.readInteger("maxParameterC", 0, kMaxByte, selection.maxParameterC);
}

}  // namespace

void readModule(const Fields& fields, ModuleConfig& module) {
    module.present = true;
    fields.readInteger("hardwareVersion", 0, kMaxByte, module.hardwareVersion);
    fields.readInteger("softwareType", 0, kMaxByte, module.softwareType);
    fields.readInteger("softwareVersion", 0, kMaxByte, module.softwareVersion);
    fields.readInteger("baudCode", 1, 3, module.baudCode);
    std::uint32_t bootMs = module.bootTimeUs / 1000;
    fields.readInteger("bootTimeMs", 0, kMaxBootMs, bootMs);
    module.bootTimeUs = bootMs * 1000;
    if (fields.find("slots") != nullptr) {
        const nlohmann::json& slots = arrayAt(fields, "slots", kMaxSlots);
        for (std::size_t i = 0; i < slots.size(); ++i) {
            module.allSlots.push_back(
                readSlot(slots[i], fields.pathOf("slots") + "[" + std::to_string(i) + "]"));
        }
    }
    if (const auto selection = fields.section(
            "selection", {"slot", "parameterB", "parameterC", "maxParameterB", "maxParameterC"})) {
        readSelection(*selection, module.selection);
    }
    fields.readInteger("protection", 0, kMaxByte, module.protection);
    readPassword(fields, module.password);
    if (fields.find("logs") != nullptr) {
        const nlohmann::json& logs = arrayAt(fields, "logs", kMaxLogs);
        for (std::size_t i = 0; i < logs.size(); ++i) {
            module.logs.push_back(readLog(logs[i], fields.pathOf("logs") + "[" + std::to_string(i) + "]"));
        }
    }
    if (const nlohmann::json* logsNumber = fields.find("logsNumber")) {
        module.logsNumber =
            static_cast<std::uint8_t>(toInteger(*logsNumber, fields.pathOf("logsNumber"), 0, kMaxByte));
    }
    fields.readBytes("unlockKeys", module.unlockKeys);
    fields.readInteger("slotsPerBlock", 1, kMaxSlotsPerBlock, module.slotsPerBlock);
    fields.readInteger("bytesPerSlot", kMinBytesPerSlot, kMaxBytesPerSlot, module.bytesPerSlot);
    fields.readInteger("headerKey", 0, kMaxByte, module.headerKey);
    if (module.bytesPerSlot % 16 != 0) {
        fail("\"" + fields.pathOf("bytesPerSlot") + "\": expected a multiple of 16, got " +
             std::to_string(module.bytesPerSlot));
    }
}

std::vector<CommandFault> readCommandFaults(const nlohmann::json& value, const std::string& path) {
    if (!value.is_array()) {
        fail("\"" + path + "\": expected an array of {code, after, count} objects, got " + describe(value));
    }
    std::vector<CommandFault> faults;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const Fields fields(value[i], path + "[" + std::to_string(i) + "]", {"code", "after", "count"});
        if (fields.find("code") == nullptr) {
            fail("\"" + fields.pathOf("code") + "\": missing; name the command code the fault hits");
        }
        CommandFault fault;
        fault.count = 1;
        fields.readInteger("code", 0, kMaxByte, fault.code);
        fields.readInteger("after", 0, kMaxFaultCount, fault.after);
        fields.readInteger("count", 0, kMaxFaultCount, fault.count);
        faults.push_back(fault);
    }
    return faults;
}

}  // namespace sim::benchfile
