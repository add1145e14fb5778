#include <fstream>
#include <set>
#include <sstream>

#include "sim/Bench.h"
#include "sim/JsonFields.h"

namespace sim {

namespace {

using benchfile::fail;
using benchfile::Fields;
using Memory = std::array<std::uint8_t, 256>;

constexpr int kVersion = 1;
constexpr std::uint64_t kMaxWord = 0xFFFF;
constexpr std::uint64_t kMaxByte = 0xFF;
constexpr std::uint64_t kMinBaud = 300;
constexpr std::uint64_t kMaxBaud = 1000000;
constexpr std::uint64_t kMaxBootMs = 60000;
constexpr std::uint64_t kMaxTimeUs = 10000000;
constexpr std::uint64_t kMaxFaultCount = 1000000;

void readAdapter(const Fields& fields, AdapterConfig& adapter) {
    fields.readBytes("identification", adapter.identification);
    fields.readInteger("operativeMode", 0, kMaxByte, adapter.operativeMode);
    fields.readBool("input1High", adapter.input1High);
    fields.readBool("input2High", adapter.input2High);
    fields.readInteger("baudCode3", kMinBaud, kMaxBaud, adapter.baudCode3);
    fields.readInteger("vid", 0, kMaxWord, adapter.vid);
    fields.readInteger("pid", 0, kMaxWord, adapter.pid);
    fields.readBool("plugged", adapter.plugged);
    fields.readBool("accessible", adapter.accessible);
    fields.readBytes("wirelessId", adapter.wirelessId);
}

// An object {"0x10": 5, ...} (addresses not named stay 0) or an array of at most 256 bytes from
// address 0 on.
Memory readMemory(const nlohmann::json& value, const std::string& path) {
    Memory memory{};
    if (value.is_array()) {
        if (value.size() > memory.size()) {
            fail("\"" + path + "\": expected at most 256 bytes, got " + std::to_string(value.size()));
        }
        for (std::size_t i = 0; i < value.size(); ++i) {
            const std::string itemPath = path + "[" + std::to_string(i) + "]";
            memory[i] = static_cast<std::uint8_t>(benchfile::toInteger(value[i], itemPath, 0, kMaxByte));
        }
        return memory;
    }
    if (!value.is_object()) {
        fail("\"" + path + "\": expected an object of address: byte pairs or an array of bytes, got " +
             benchfile::describe(value));
    }
    std::set<std::uint64_t> seen;
    for (const auto& item : value.items()) {
        const std::string itemPath = path + "." + item.key();
        const auto address = benchfile::parseIntegerText(item.key());
        if (!address || *address > kMaxByte) {
            fail("\"" + itemPath + "\": address must be an integer from 0 to 255 (decimal or 0x hex)");
        }
        if (!seen.insert(*address).second) {
            fail("\"" + itemPath + "\": address " + std::to_string(*address) + " is given twice");
        }
        memory[*address] =
            static_cast<std::uint8_t>(benchfile::toInteger(item.value(), itemPath, 0, kMaxByte));
    }
    return memory;
}

void readProduct(const Fields& fields, ProductConfig& product) {
    fields.readBool("present", product.present);
    fields.readBytes("identification", product.identification);
    fields.readInteger("baudCode", 1, 3, product.baudCode);
    std::uint32_t bootMs = product.bootTimeUs / 1000;
    fields.readInteger("bootTimeMs", 0, kMaxBootMs, bootMs);
    product.bootTimeUs = bootMs * 1000;
    if (const auto* memory = fields.find("memory")) {
        product.memory = readMemory(*memory, fields.pathOf("memory"));
    }
    if (const auto* defaults = fields.find("defaults")) {
        product.defaults = readMemory(*defaults, fields.pathOf("defaults"));
    } else {
        product.defaults = product.memory;
    }
    fields.readBool("hasModule", product.hasModule);
    fields.readBytes("moduleInfo", product.moduleInfo);
    fields.readBytes("moduleConfig", product.moduleConfig);
}

BenchConfig readBench(const nlohmann::json& root) {
    const Fields top(root, "", {"version", "adapter", "product", "timing", "faults", "bootloader"});
    if (top.find("version") == nullptr) {
        fail("missing key \"version\" (this program reads version " + std::to_string(kVersion) + ")");
    }
    BenchConfig config;
    top.readInteger("version", kVersion, kVersion, config.version);

    if (const auto adapter =
            top.section("adapter", {"identification", "operativeMode", "input1High", "input2High",
                                    "baudCode3", "vid", "pid", "plugged", "accessible", "wirelessId"})) {
        readAdapter(*adapter, config.adapter);
    }
    if (const auto product =
            top.section("product", {"present", "identification", "baudCode", "bootTimeMs", "memory",
                                    "defaults", "hasModule", "moduleInfo", "moduleConfig"})) {
        readProduct(*product, config.product);
    }
    if (const auto timing =
            top.section("timing", {"usbFrameUs", "adapterTurnaroundUs", "productTurnaroundUs"})) {
        timing->readInteger("usbFrameUs", 0, kMaxTimeUs, config.timing.usbFrameUs);
        timing->readInteger("adapterTurnaroundUs", 0, kMaxTimeUs, config.timing.adapterTurnaroundUs);
        timing->readInteger("productTurnaroundUs", 0, kMaxTimeUs, config.timing.productTurnaroundUs);
    }
    if (const auto faults = top.section("faults", {"dropNext", "corruptNext", "extraDelayUs"})) {
        faults->readInteger("dropNext", 0, kMaxFaultCount, config.faults.dropNext);
        faults->readInteger("corruptNext", 0, kMaxFaultCount, config.faults.corruptNext);
        faults->readInteger("extraDelayUs", 0, kMaxTimeUs, config.faults.extraDelayUs);
    }
    if (const auto boot = top.section("bootloader", {"blank", "leftoverCode", "restartUs", "segmentEraseUs",
                                                     "wordProgramUs", "crcNsPerByte", "rejectPasswords",
                                                     "corruptBlocks", "unplugAfterReports"})) {
        BootloaderConfig& b = config.bootloader;
        boot->readBool("blank", b.blank);
        boot->readBool("leftoverCode", b.leftoverCode);
        boot->readInteger("restartUs", 0, kMaxTimeUs, b.restartUs);
        boot->readInteger("segmentEraseUs", 0, kMaxTimeUs, b.segmentEraseUs);
        boot->readInteger("wordProgramUs", 0, kMaxTimeUs, b.wordProgramUs);
        boot->readInteger("crcNsPerByte", 0, kMaxTimeUs, b.crcNsPerByte);
        boot->readBool("rejectPasswords", b.rejectPasswords);
        boot->readInteger("corruptBlocks", 0, kMaxFaultCount, b.corruptBlocks);
        boot->readInteger("unplugAfterReports", 0, kMaxFaultCount, b.unplugAfterReports);
    }
    return config;
}

}  // namespace

std::optional<BenchConfig> parseBenchJson(const std::string& text, std::string& error) {
    try {
        return readBench(nlohmann::json::parse(text));
    } catch (const benchfile::FileError& e) {
        error = e.message;
    } catch (const nlohmann::json::exception& e) {
        error = std::string("not a valid bench file: ") + e.what();
    } catch (const std::exception& e) {
        error = std::string("cannot read bench file: ") + e.what();
    }
    return std::nullopt;
}

std::optional<BenchConfig> loadBenchFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open bench file";
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = path + ": cannot read bench file";
        return std::nullopt;
    }
    auto config = parseBenchJson(text.str(), error);
    if (!config) {
        error = path + ": " + error;
    }
    return config;
}

}  // namespace sim
