#include "database/ProductDatabase.h"

#include <QDir>
#include <utility>

#include "database/ProductDatabaseConnection.h"

namespace dravik {

namespace {

constexpr const char* kProductQuery =
    "SELECT * FROM Products WHERE Identification_1 = ( :num1 ) AND Ver_low <= ( :num2 ) AND Ver_high >= ( "
    ":num3 )";
constexpr const char* kModuleQuery = "SELECT * FROM Modules WHERE SwType = ( :num )";
constexpr const char* kModuleSlotsQuery = "SELECT * FROM Modules_Parameters_B_C WHERE Modules_ID = ( :num )";
constexpr const char* kModuleGroupQuery =
    "SELECT * FROM Modules_Parameters_B_C WHERE Modules_ID = ( :num ) AND Mask = ( :num2 )";
constexpr const char* kGroupQuery = "SELECT * FROM Protocol_group_name WHERE Group_number = ( :num )";

constexpr std::uint16_t kNotAFunction = 0xFFFF;

std::uint8_t u8(std::int32_t v) { return static_cast<std::uint8_t>(v); }
std::uint16_t u16(std::int32_t v) { return static_cast<std::uint16_t>(v); }
std::uint32_t u32(std::int32_t v) { return static_cast<std::uint32_t>(v); }

}  // namespace

ProductDatabase::ProductDatabase(QString mainDirectory, int& languageType, FatalHandler onFatal,
                                 WarnHandler onWarn)
    : mainDirectory_(std::move(mainDirectory)),
      languageType_(languageType),
      onFatal_(std::move(onFatal)),
      onWarn_(std::move(onWarn)) {}

// Opened by its full path inside the main data folder; the process's current folder is left alone.
QString ProductDatabase::path() const {
    return QDir(mainDirectory_).filePath(QString::fromLatin1(kProductDatabaseFileName));
}

int ProductDatabase::languageIndex() {
    if (languageType_ < 1 || languageType_ > 3) languageType_ = 1;
    return languageType_ - 1;
}

void ProductDatabase::warn(const QString& message) const {
    if (onWarn_) onWarn_(message);
}

bool ProductDatabase::findProduct(std::uint8_t id1, std::uint32_t verSubver, ProductState& product) {
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kProductQuery);
    rows.bind(":num1", id1);
    rows.bind(":num2", static_cast<std::int32_t>(verSubver));
    rows.bind(":num3", static_cast<std::int32_t>(verSubver));
    bool found = false;
    while (rows.next()) {
        const std::int32_t infoLength = rows.integer(0);
        if (infoLength < 0 || infoLength > kMaxModuleInfoLength) {
            warn(QStringLiteral("Product database: description \"%1\" (identification %2) refused: module "
                                "information length %3 is outside 0 to %4")
                     .arg(rows.latin1(8))
                     .arg(rows.integer(10))
                     .arg(infoLength)
                     .arg(kMaxModuleInfoLength));
            continue;
        }
        product.Prd_Module_Info_Address_Length = u8(infoLength);
        product.Prd_Module_Info_Address = u8(rows.integer(1));
        product.Prd_Module_DirectConnection = u8(rows.integer(2));
        product.Prd_Version_low = u8(rows.integer(3));
        product.Prd_Version_high = u8(rows.integer(4));
        product.Prd_Module = u8(rows.integer(5));
        product.Prd_WaitTime = u32(rows.integer(7));
        product.Prd_Name = rows.latin1(8);
        product.Prd_Id2 = u32(rows.integer(9));
        product.Prd_Id1 = u32(rows.integer(10));
        product.Prd_index = u32(rows.integer(11));
        product.Prd_connected = 1;
        found = true;
    }
    return found;
}

bool ProductDatabase::findModule(std::uint8_t swType, ModuleState& module) {
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kModuleQuery);
    rows.bind(":num", swType);
    bool found = false;
    while (rows.next()) {
        const std::int32_t bytesPerSlot = rows.integer(3);
        const std::int32_t slotsPerBlock = rows.integer(4);
        QString problem;
        if (bytesPerSlot < kMinBytesPerSlot || bytesPerSlot > kMaxBytesPerSlot) {
            problem = QStringLiteral("bytes per slot %1 is outside %2 to %3")
                          .arg(bytesPerSlot)
                          .arg(kMinBytesPerSlot)
                          .arg(kMaxBytesPerSlot);
        } else if (slotsPerBlock < 0 || slotsPerBlock > 255 ||
                   slotsPerBlock * bytesPerSlot > kMaxImageBytes) {
            problem = QStringLiteral("%1 slots of %2 bytes exceed the %3-byte protocol image")
                          .arg(slotsPerBlock)
                          .arg(bytesPerSlot)
                          .arg(kMaxImageBytes);
        }
        if (!problem.isEmpty()) {
            warn(QStringLiteral("Product database: module \"%1\" (software type %2) refused: %3")
                     .arg(rows.latin1(9), QString::number(swType, 16), problem));
            continue;
        }
        module.Mod_Speed = u8(rows.integer(0));
        module.Mod_UnlockFlashKey2 = u8(rows.integer(1));
        module.Mod_UnlockFlashKey1 = u8(rows.integer(2));
        module.Mod_BytesPerSlot = u16(bytesPerSlot);
        module.Mod_LinesPerSlot = u8(bytesPerSlot / 16 - 1);
        module.Mod_SlotsPerBlock = u8(slotsPerBlock);
        module.Mdl_DirectConnection = u8(rows.integer(5));
        module.Mdl_Selected_MaxParameter_C = u16(rows.integer(6));
        module.Mdl_Selected_MaxParameter_B = u16(rows.integer(7));
        module.Mdl_Selected_MaxParameter_A = u16(rows.integer(8));
        module.Mod_Name = rows.latin1(9);
        module.Mod_index = u8(rows.integer(13));
        module.Mod_connected = 1;
        found = true;
    }
    return found;
}

std::vector<function_parameters> ProductDatabase::moduleParameterGroup(
    std::uint8_t moduleKey, std::uint32_t groupMask, bool groupA, ModuleParameterWords current,
    std::optional<ModuleParameterWords> loaded) {
    std::vector<function_parameters> items;
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kModuleGroupQuery);
    rows.bind(":num", moduleKey);
    rows.bind(":num2", static_cast<std::int32_t>(groupMask));
    while (rows.next()) {
        const std::uint32_t value = u32(rows.integer(3));
        const std::uint32_t mask = u32(rows.integer(4));
        const std::uint32_t actual = groupA ? current.A : (current.B_C & mask);
        std::uint32_t toWrite = value;
        if (loaded) toWrite = groupA ? loaded->A : (loaded->B_C & mask);
        items.emplace_back(rows.latin1(languageIndex()), value, actual, toWrite, kNotAFunction, kNotAFunction,
                           mask, kNotAFunction, kNotAFunction, std::uint16_t{0}, std::uint16_t{0});
    }
    return items;
}

std::vector<ModuleSlotSource> ProductDatabase::moduleSlotSources(std::uint8_t moduleKey) {
    std::vector<ModuleSlotSource> sources;
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kModuleSlotsQuery);
    rows.bind(":num", moduleKey);
    while (rows.next()) {
        ModuleSlotSource source;
        source.text = rows.bytes(5);
        source.number = u8(rows.integer(5));
        sources.push_back(std::move(source));
    }
    return sources;
}

Group ProductDatabase::groupName(std::uint16_t groupNumber) {
    Group group(QString(), groupNumber);
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kGroupQuery);
    rows.bind(":num", groupNumber);
    while (rows.next()) group.Group_name = rows.latin1(1);
    return group;
}

}  // namespace dravik
