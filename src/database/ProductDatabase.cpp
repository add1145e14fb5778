#include "database/ProductDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <limits>
#include <utility>

#include "database/BoundedColumns.h"
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

// Columns each statement reads by position (the highest position read, plus one).
constexpr int kProductColumns = 12;
constexpr int kModuleColumns = 14;
constexpr int kModuleGroupColumns = 5;
constexpr int kModuleSlotColumns = 6;
constexpr int kMemorySize = 256;

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

QByteArray ProductDatabase::contentStamp() const {
    constexpr qint64 kHeaderBytes = 100;
    const auto fileStamp = [](const QFileInfo& info) {
        return QByteArray::number(info.size()) + ' ' +
               QByteArray::number(info.lastModified().toMSecsSinceEpoch()) + ' ' +
               QByteArray::number(info.metadataChangeTime().toMSecsSinceEpoch());
    };
    const QFileInfo info(path());
    if (!info.isFile()) return {};
    QByteArray stamp = fileStamp(info);
    QFile file(info.filePath());
    if (file.open(QIODevice::ReadOnly)) stamp += file.read(kHeaderBytes);
    // A database in write-ahead mode keeps recent writes beside it.
    if (const QFileInfo wal(info.filePath() + QStringLiteral("-wal")); wal.isFile())
        stamp += ' ' + fileStamp(wal);
    return stamp;
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
    if (const QString problem = rows.columnProblem("Products", kProductColumns); !problem.isEmpty()) {
        warn(QStringLiteral("Product database: Products refused: %1").arg(problem));
        return false;
    }
    rows.bind(":num1", id1);
    rows.bind(":num2", static_cast<std::int32_t>(verSubver));
    rows.bind(":num3", static_cast<std::int32_t>(verSubver));
    bool found = false;
    while (rows.next()) {
        BoundedColumns c(rows);
        ProductState p = product;
        p.Prd_Module_Info_Address_Length =
            c.as<std::uint8_t>(0, "module information length", 0, kMaxModuleInfoLength);
        p.Prd_Module_Info_Address = c.as<std::uint8_t>(1, "module information address");
        if (c.ok() && p.Prd_Module_Info_Address + p.Prd_Module_Info_Address_Length > kMemorySize) {
            c.refuse(
                QStringLiteral("module information at %1 with length %2 passes the end of the %3-byte memory")
                    .arg(p.Prd_Module_Info_Address)
                    .arg(p.Prd_Module_Info_Address_Length)
                    .arg(kMemorySize));
        }
        p.Prd_Module_DirectConnection = c.as<std::uint8_t>(2, "module direct connection");
        // Only the low byte of a version word is kept, as the description's own figure.
        p.Prd_Version_low = static_cast<std::uint8_t>(c.as<std::uint16_t>(3, "Ver_low"));
        p.Prd_Version_high = static_cast<std::uint8_t>(c.as<std::uint16_t>(4, "Ver_high"));
        p.Prd_Module = c.as<std::uint8_t>(5, "module present");
        p.Prd_WaitTime = c.as<std::uint32_t>(7, "wait time");
        p.Prd_Name = rows.latin1(8);
        p.Prd_Id2 = c.as<std::uint32_t>(9, "second identification");
        p.Prd_Id1 = c.as<std::uint8_t>(10, "Identification_1");
        // The key is bound as a 32-bit parameter of the function statements.
        p.Prd_index = c.as<std::uint32_t>(11, "product key", 0, std::numeric_limits<std::int32_t>::max());
        if (!c.ok()) {
            warn(QStringLiteral(
                     "Product database: Products row with product key %1 (\"%2\", identification %3) "
                     "refused: %4")
                     .arg(rows.integer(11))
                     .arg(rows.latin1(8))
                     .arg(id1)
                     .arg(c.problem()));
            continue;
        }
        p.Prd_connected = 1;
        product = p;
        found = true;
    }
    return found;
}

bool ProductDatabase::findModule(std::uint8_t swType, ModuleState& module) {
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kModuleQuery);
    if (const QString problem = rows.columnProblem("Modules", kModuleColumns); !problem.isEmpty()) {
        warn(QStringLiteral("Product database: Modules refused: %1").arg(problem));
        return false;
    }
    rows.bind(":num", swType);
    bool found = false;
    while (rows.next()) {
        BoundedColumns c(rows);
        ModuleState m = module;
        m.Mod_Speed = c.as<std::uint8_t>(0, "module speed");
        m.Mod_UnlockFlashKey2 = c.as<std::uint8_t>(1, "flash unlock key 2");
        m.Mod_UnlockFlashKey1 = c.as<std::uint8_t>(2, "flash unlock key 1");
        m.Mod_BytesPerSlot = c.as<std::uint16_t>(3, "bytes per slot", kMinBytesPerSlot, kMaxBytesPerSlot);
        m.Mod_SlotsPerBlock = c.as<std::uint8_t>(4, "slots per block");
        if (c.ok() && m.Mod_SlotsPerBlock * m.Mod_BytesPerSlot > kMaxImageBytes) {
            c.refuse(QStringLiteral("%1 slots of %2 bytes exceed the %3-byte protocol image")
                         .arg(m.Mod_SlotsPerBlock)
                         .arg(m.Mod_BytesPerSlot)
                         .arg(kMaxImageBytes));
        }
        m.Mod_LinesPerSlot = static_cast<std::uint8_t>(m.Mod_BytesPerSlot / 16 - 1);
        m.Mdl_DirectConnection = c.as<std::uint8_t>(5, "module direct connection");
        m.Mdl_Selected_MaxParameter_C = c.as<std::uint16_t>(6, "parameter C selector");
        m.Mdl_Selected_MaxParameter_B = c.as<std::uint16_t>(7, "parameter B selector");
        m.Mdl_Selected_MaxParameter_A = c.as<std::uint16_t>(8, "parameter A selector");
        m.Mod_Name = rows.latin1(9);
        m.Mod_index = c.as<std::uint8_t>(13, "module key");
        if (!c.ok()) {
            warn(QStringLiteral("Product database: Modules row with module key %1 (\"%2\", software type %3) "
                                "refused: %4")
                     .arg(rows.integer(13))
                     .arg(rows.latin1(9), QString::number(swType, 16), c.problem()));
            continue;
        }
        m.Mod_connected = 1;
        module = m;
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
    if (const QString problem = rows.columnProblem("Modules_Parameters_B_C", kModuleGroupColumns);
        !problem.isEmpty()) {
        warn(QStringLiteral("Product database: module parameters refused: %1").arg(problem));
        return items;
    }
    rows.bind(":num", moduleKey);
    rows.bind(":num2", static_cast<std::int32_t>(groupMask));
    while (rows.next()) {
        BoundedColumns c(rows);
        const auto value = c.as<std::uint32_t>(3, "value");
        const auto mask = c.as<std::uint32_t>(4, "Mask");
        if (c.ok() && (value & ~mask) != 0) {
            c.refuse(QStringLiteral("value 0x%1 has bits outside its mask 0x%2")
                         .arg(value, 0, 16)
                         .arg(mask, 0, 16));
        }
        if (!c.ok()) {
            warn(QStringLiteral(
                     "Product database: Modules_Parameters_B_C row \"%1\" of module key %2 refused: %3")
                     .arg(rows.latin1(0))
                     .arg(moduleKey)
                     .arg(c.problem()));
            continue;
        }
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
    if (const QString problem = rows.columnProblem("Modules_Parameters_B_C", kModuleSlotColumns);
        !problem.isEmpty()) {
        warn(QStringLiteral("Product database: module slots refused: %1").arg(problem));
        return sources;
    }
    rows.bind(":num", moduleKey);
    while (rows.next()) {
        BoundedColumns c(rows);
        ModuleSlotSource source;
        source.text = rows.bytes(5);
        source.number = c.as<std::uint8_t>(5, "slot number");
        if (!c.ok()) {
            warn(QStringLiteral(
                     "Product database: Modules_Parameters_B_C slot \"%1\" of module key %2 refused: %3")
                     .arg(QString::fromLatin1(source.text))
                     .arg(moduleKey)
                     .arg(c.problem()));
            continue;
        }
        sources.push_back(std::move(source));
    }
    return sources;
}

Group ProductDatabase::groupName(std::uint16_t groupNumber) {
    Group group(QString(), groupNumber);
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement rows = db.prepare(kGroupQuery);
    if (const QString problem = rows.columnProblem("Protocol_group_name", 2); !problem.isEmpty()) {
        warn(QStringLiteral("Product database: group names refused: %1").arg(problem));
        return group;
    }
    rows.bind(":num", groupNumber);
    while (rows.next()) group.Group_name = rows.latin1(1);
    return group;
}

}  // namespace dravik
