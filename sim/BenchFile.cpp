#include <fstream>
#include <set>

#include "sim/Bench.h"
#include "sim/BenchFileModule.h"
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
// A bench file is a few kilobytes; these limits leave room for comments and padding only.
constexpr std::size_t kMaxFileBytes = 1024 * 1024;
constexpr int kMaxDepth = 8;

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
    fields.readBool("acceptsBootRequest", adapter.acceptsBootRequest);
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
    fields.readInteger("moduleInfoAddress", 0, kMaxByte, product.moduleInfoAddress);
}

// A module wired to the cable pulls input 2 low, and the product reports it as its module,
// unless the file says otherwise.
void deriveFromModule(const std::optional<Fields>& adapter, const std::optional<Fields>& product,
                      BenchConfig& config) {
    const ModuleConfig& module = config.module;
    const auto given = [](const std::optional<Fields>& section, const char* key) {
        return section && section->find(key) != nullptr;
    };
    if (!given(adapter, "input2High")) {
        config.adapter.input2High = false;
    }
    if (!given(product, "hasModule")) {
        config.product.hasModule = true;
    }
    if (!given(product, "moduleInfo")) {
        config.product.moduleInfo = {module.hardwareVersion, module.softwareType, module.softwareVersion};
    }
}

void readFaults(const Fields& faults, Faults& out) {
    faults.readInteger("dropNext", 0, kMaxFaultCount, out.dropNext);
    faults.readInteger("corruptNext", 0, kMaxFaultCount, out.corruptNext);
    faults.readInteger("truncateNext", 0, kMaxFaultCount, out.truncateNext);
    faults.readInteger("lengthenNext", 0, kMaxFaultCount, out.lengthenNext);
    faults.readInteger("misaddressNext", 0, kMaxFaultCount, out.misaddressNext);
    faults.readInteger("extraDelayUs", 0, kMaxTimeUs, out.extraDelayUs);
    if (const auto* drop = faults.find("dropCommand")) {
        out.dropCommand = benchfile::readCommandFaults(*drop, faults.pathOf("dropCommand"));
    }
    if (const auto* corrupt = faults.find("corruptCommand")) {
        out.corruptCommand = benchfile::readCommandFaults(*corrupt, faults.pathOf("corruptCommand"));
    }
    faults.readInteger("wrongSlotEchoAtLine", 0, kMaxFaultCount, out.wrongSlotEchoAtLine);
    faults.readInteger("wrongLineEchoAtLine", 0, kMaxFaultCount, out.wrongLineEchoAtLine);
    faults.readInteger("powerLossAtLine", 0, kMaxFaultCount, out.powerLossAtLine);
}

BenchConfig readBench(const nlohmann::json& root) {
    const Fields top(root, "", {"version", "adapter", "product", "module", "timing", "faults", "bootloader"});
    if (top.find("version") == nullptr) {
        fail("missing key \"version\" (this program reads version " + std::to_string(kVersion) + ")");
    }
    BenchConfig config;
    top.readInteger("version", kVersion, kVersion, config.version);

    const auto adapter =
        top.section("adapter", {"identification", "operativeMode", "input1High", "input2High", "baudCode3",
                                "vid", "pid", "plugged", "accessible", "acceptsBootRequest", "wirelessId"});
    if (adapter) {
        readAdapter(*adapter, config.adapter);
    }
    const auto product =
        top.section("product", {"present", "identification", "baudCode", "bootTimeMs", "memory", "defaults",
                                "hasModule", "moduleInfo", "moduleConfig", "moduleInfoAddress"});
    if (product) {
        readProduct(*product, config.product);
    }
    if (const auto module = top.section("module", benchfile::kModuleKeys)) {
        benchfile::readModule(*module, config.module);
        deriveFromModule(adapter, product, config);
    }
    if (const auto timing = top.section(
            "timing", {"usbFrameUs", "adapterTurnaroundUs", "productTurnaroundUs", "moduleTurnaroundUs"})) {
        timing->readInteger("usbFrameUs", 0, kMaxTimeUs, config.timing.usbFrameUs);
        timing->readInteger("adapterTurnaroundUs", 0, kMaxTimeUs, config.timing.adapterTurnaroundUs);
        timing->readInteger("productTurnaroundUs", 0, kMaxTimeUs, config.timing.productTurnaroundUs);
        timing->readInteger("moduleTurnaroundUs", 0, kMaxTimeUs, config.timing.moduleTurnaroundUs);
    }
    if (const auto faults =
            top.section("faults", {"dropNext", "corruptNext", "truncateNext", "lengthenNext", "misaddressNext", "extraDelayUs", "dropCommand", "corruptCommand",
                                   "wrongSlotEchoAtLine", "wrongLineEchoAtLine", "powerLossAtLine"})) {
        readFaults(*faults, config.faults);
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
        benchfile::checkShape(text, kMaxFileBytes, kMaxDepth);
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
    // One byte past the limit is enough for the parser to refuse the size.
    std::string text(kMaxFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = path + ": cannot read bench file";
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    auto config = parseBenchJson(text, error);
    if (!config) {
        error = path + ": " + error;
    }
    return config;
}

}  // namespace sim
