// Building the function panel's rows from the nested function statements.

#include <array>
#include <limits>
#include <optional>
#include <utility>

#include "database/BoundedColumns.h"
#include "database/ProductDatabase.h"
#include "database/ProductDatabaseConnection.h"

namespace dravik {

namespace {

constexpr const char* kFunctionsQuery =
    "SELECT * FROM Programmer_Quillomark WHERE Products_ID = ( :num ) AND Enabled = 1";
constexpr const char* kNameQuery = "SELECT * FROM Fnc_Name WHERE FncName_ID = ( :num )";
constexpr const char* kLocationQuery =
    "SELECT * FROM Parameters_Addr WHERE ProgrammerQuillomark_ID = ( :num )";
constexpr const char* kValueQuery = "SELECT * FROM Parameter_Value WHERE FunctionParameter_ID = ( :num )";

// Text columns by language (English, Italian, French).
constexpr std::array<int, 3> kFunctionNameColumns{0, 1, 3};
constexpr std::array<int, 3> kFunctionDescriptionColumns{8, 9, 10};
constexpr std::array<int, 3> kValueNameColumns{0, 1, 2};

// Columns each statement reads by position (the highest position read, plus one).
constexpr int kFunctionColumns = 5;
constexpr int kNameColumns = 11;
constexpr int kLocationColumns = 11;
constexpr int kValueColumns = 5;
constexpr int kMemorySize = 256;
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
// The longest text a text box takes.
constexpr std::int64_t kMaxTextBoxLength = 32767;

// Reads one Parameters_Addr row, every value checked against the field and the buffers it is used
// in; c names the first value that does not fit.
FunctionLocation readLocation(const DatabaseStatement& row, BoundedColumns& c) {
    FunctionLocation loc;
    loc.textLength = c.as<std::int32_t>(2, "text length", 0, kMaxTextBoxLength);
    loc.ValMin = c.as<std::uint16_t>(3, "minimum");
    loc.ValMax = c.as<std::uint16_t>(4, "maximum");
    loc.func_id = c.as<std::uint16_t>(9, "function kind", FN_LIST, FN_NUMBER);
    // A number is held in 32 bits like a list value; digit and hex codes take up to 10 bytes.
    const bool longText = loc.func_id == FN_DIGITS || loc.func_id == FN_HEX;
    const std::int64_t maxLength =
        longText ? ProductDatabase::kMaxTextValueBytes : ProductDatabase::kMaxListValueBytes;
    if (c.ok()) {
        const std::int64_t length = row.integer(5);
        if (length < 1 || length > maxLength) {
            c.refuse(QStringLiteral("value length %1 bytes is outside 1 to %2 bytes for a %3 function")
                         .arg(length)
                         .arg(maxLength)
                         .arg(longText ? QStringLiteral("digit or hex")
                                       : QStringLiteral("list, range, action or number")));
        }
    }
    loc.length = c.as<std::uint16_t>(5, "value length", 1, maxLength);
    loc.mask = c.as<std::uint32_t>(6, "mask");
    loc.address = c.as<std::uint16_t>(7, "address", 0, kMemorySize - 1);
    if (c.ok() && loc.address + loc.length > kMemorySize) {
        c.refuse(QStringLiteral("address %1 with length %2 passes the end of the %3-byte memory")
                     .arg(loc.address)
                     .arg(loc.length)
                     .arg(kMemorySize));
    }
    loc.func_parameter_id = c.as<std::uint16_t>(10, "parameter key");
    if (c.ok() && loc.func_id == FN_RANGE) {
        if (loc.ValMin > loc.ValMax) {
            c.refuse(
                QStringLiteral("range minimum %1 is above its maximum %2").arg(loc.ValMin).arg(loc.ValMax));
        } else if (std::size_t{loc.ValMax} - loc.ValMin + 1 >
                   static_cast<std::size_t>(ProductDatabase::kMaxRangeItems)) {
            c.refuse(QStringLiteral("range %1 to %2 gives more than %3 values")
                         .arg(loc.ValMin)
                         .arg(loc.ValMax)
                         .arg(ProductDatabase::kMaxRangeItems));
        } else {
            for (std::uint32_t k = loc.ValMin; k <= loc.ValMax; ++k) {
                if ((k & ~loc.mask) != 0) {
                    c.refuse(QStringLiteral("range value %1 has bits outside the mask 0x%2")
                                 .arg(k)
                                 .arg(loc.mask, 0, 16));
                    break;
                }
            }
        }
    }
    return loc;
}

// Whether a value's bits must lie under the mask: they are merged into bytes other functions share.
bool valueIsMerged(std::uint16_t kind) { return kind == FN_LIST || kind == FN_ACTION; }

}  // namespace

// The statements run once per function, location or parameter key: each is prepared when first
// needed and run again from the start for every further key, not prepared anew each time.
struct ProductDatabase::NestedStatements {
    DatabaseConnection& db;
    std::optional<DatabaseStatement> names;
    std::optional<DatabaseStatement> locations;
    std::optional<DatabaseStatement> values;

    DatabaseStatement& fresh(std::optional<DatabaseStatement>& statement, const char* text) {
        if (statement) {
            statement->restart();
        } else {
            statement = db.prepare(text);
        }
        return *statement;
    }
};

ProductFunctions ProductDatabase::loadFunctions(std::uint32_t productKey) {
    ProductFunctions result;
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement functions = db.prepare(kFunctionsQuery);
    if (const QString problem = functions.columnProblem("Programmer_Quillomark", kFunctionColumns);
        !problem.isEmpty()) {
        warn(QStringLiteral("Product database: functions of product key %1 refused: %2")
                 .arg(productKey)
                 .arg(problem));
        return {};
    }
    functions.bind(":num", static_cast<std::int32_t>(productKey));
    NestedStatements nested{db, {}, {}, {}};
    bool first = true;
    bool full = false;
    while (!full && functions.next()) {
        BoundedColumns keys(functions);
        // Both keys are bound as 32-bit parameters of the nested statements.
        const auto nameKey = keys.as<std::int32_t>(3, "function name key", kInt32Min, kInt32Max);
        const auto functionKey = keys.as<std::int32_t>(4, "function key", kInt32Min, kInt32Max);
        if (!keys.ok()) {
            warn(QStringLiteral("Product database: Programmer_Quillomark row of product key %1 refused: %2")
                     .arg(productKey)
                     .arg(keys.problem()));
            continue;
        }
        if (first) {
            result.baseNameKey = nameKey;
            first = false;
        }
        DatabaseStatement& names = nested.fresh(nested.names, kNameQuery);
        if (const QString problem = names.columnProblem("Fnc_Name", kNameColumns); !problem.isEmpty()) {
            warn(QStringLiteral("Product database: function names refused: %1").arg(problem));
            return {};
        }
        names.bind(":num", nameKey);
        while (names.next()) {
            if (result.rows.size() >= static_cast<std::size_t>(kMaxFunctionRows)) {
                warn(QStringLiteral("Product database: product key %1 has more than %2 functions; the rest "
                                    "are not shown")
                         .arg(productKey)
                         .arg(kMaxFunctionRows));
                full = true;
                break;
            }
            FunctionRow row;
            row.nameKey = nameKey;
            row.functionKey = functionKey;
            row.name = names.latin1(kFunctionNameColumns[static_cast<std::size_t>(languageIndex())]);
            row.description =
                names.latin1(kFunctionDescriptionColumns[static_cast<std::size_t>(languageIndex())]);
            loadLocations(nested, row);
            result.rows.push_back(std::move(row));
        }
    }
    if (!db.ok()) return {};
    return result;
}

void ProductDatabase::loadLocations(NestedStatements& statements, FunctionRow& row) {
    DatabaseStatement& locations = statements.fresh(statements.locations, kLocationQuery);
    row.unusableReason = locations.columnProblem("Parameters_Addr", kLocationColumns);
    locations.bind(":num", row.functionKey);
    while (row.usable() && locations.next()) {
        BoundedColumns c(locations);
        const FunctionLocation loc = readLocation(locations, c);
        if (!c.ok()) {
            row.unusableReason = QStringLiteral("Parameters_Addr row of function key %1: %2")
                                     .arg(row.functionKey)
                                     .arg(c.problem());
            break;
        }
        row.location = loc;

        DatabaseStatement& values = statements.fresh(statements.values, kValueQuery);
        if (const QString problem = values.columnProblem("Parameter_Value", kValueColumns);
            !problem.isEmpty()) {
            row.unusableReason = problem;
            break;
        }
        values.bind(":num", loc.func_parameter_id);
        while (values.next() && row.usable()) {
            if (loc.func_id == FN_RANGE) {
                if (row.items.size() + std::size_t{loc.ValMax} - loc.ValMin + 1 >
                    static_cast<std::size_t>(kMaxRangeItems)) {
                    row.unusableReason = QStringLiteral("range %1 to %2 gives more than %3 values")
                                             .arg(loc.ValMin)
                                             .arg(loc.ValMax)
                                             .arg(kMaxRangeItems);
                    break;
                }
                for (std::uint32_t k = loc.ValMin; k <= loc.ValMax; ++k) {
                    row.items.emplace_back(QString::number(k), k, k, k, loc.address, loc.length, loc.mask,
                                           loc.func_id, loc.func_parameter_id, std::uint16_t{0},
                                           std::uint16_t{0});
                }
                continue;
            }
            BoundedColumns v(values);
            const auto value = v.as<std::uint32_t>(4, "value");
            if (v.ok() && valueIsMerged(loc.func_id) && (value & ~loc.mask) != 0) {
                v.refuse(QStringLiteral("value 0x%1 has bits outside the mask 0x%2")
                             .arg(value, 0, 16)
                             .arg(loc.mask, 0, 16));
            }
            if (!v.ok()) {
                row.unusableReason = QStringLiteral("Parameter_Value row of parameter key %1: %2")
                                         .arg(loc.func_parameter_id)
                                         .arg(v.problem());
                break;
            }
            row.items.emplace_back(
                values.latin1(kValueNameColumns[static_cast<std::size_t>(languageIndex())]), value, value,
                value, loc.address, loc.length, loc.mask, loc.func_id, loc.func_parameter_id, loc.ValMin,
                loc.ValMax);
            if (loc.func_id != FN_LIST &&
                row.items.size() > static_cast<std::size_t>(kMaxTextOrActionItems)) {
                row.unusableReason = QStringLiteral("more than %1 values for a text or action function")
                                         .arg(kMaxTextOrActionItems);
            }
        }
    }
    if (row.usable() && !row.location) {
        row.unusableReason =
            QStringLiteral("no memory location (Parameters_Addr) for function key %1").arg(row.functionKey);
    } else if (row.usable() && row.items.empty()) {
        row.unusableReason = QStringLiteral("no values (Parameter_Value) for parameter key %1")
                                 .arg(row.location->func_parameter_id);
    }
    if (!row.usable()) row.items.clear();
}

}  // namespace dravik
