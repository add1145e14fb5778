// Building the function panel's rows from the nested function statements.

#include <array>
#include <utility>

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


// Why a memory location cannot be handled; empty when it can. The raw column values are checked,
// so a value that would only fit after truncation is refused as well.
QString locationProblem(std::int32_t kind, std::int32_t length) {
    if (kind < FN_LIST || kind > FN_NUMBER) {
        return QStringLiteral("unknown function kind %1 (known kinds are 1 to 6)").arg(kind);
    }
    // A number is held in 32 bits like a list value; digit and hex codes take up to 10 bytes.
    const bool longText = kind == FN_DIGITS || kind == FN_HEX;
    const int maxLength = longText ? ProductDatabase::kMaxTextValueBytes : ProductDatabase::kMaxListValueBytes;
    if (length < 1 || length > maxLength) {
        return QStringLiteral("value length %1 bytes is outside 1 to %2 bytes for a %3 function")
            .arg(length)
            .arg(maxLength)
            .arg(longText ? QStringLiteral("digit or hex") : QStringLiteral("list, range, action or number"));
    }
    return {};
}

}  // namespace

ProductFunctions ProductDatabase::loadFunctions(std::uint32_t productKey) {
    ProductFunctions result;
    DatabaseConnection db(path(), onFatal_, onWarn_);
    DatabaseStatement functions = db.prepare(kFunctionsQuery);
    functions.bind(":num", static_cast<std::int32_t>(productKey));
    bool first = true;
    bool full = false;
    while (!full && functions.next()) {
        const std::int32_t nameKey = functions.integer(3);
        const std::int32_t functionKey = functions.integer(4);
        if (first) {
            result.baseNameKey = nameKey;
            first = false;
        }
        DatabaseStatement names = db.prepare(kNameQuery);
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
            loadLocations(db, row);
            result.rows.push_back(std::move(row));
        }
    }
    if (!db.ok()) return {};
    return result;
}

void ProductDatabase::loadLocations(DatabaseConnection& db, FunctionRow& row) {
    DatabaseStatement locations = db.prepare(kLocationQuery);
    locations.bind(":num", row.functionKey);
    while (locations.next()) {
        const std::int32_t rawLength = locations.integer(5);
        const std::int32_t rawKind = locations.integer(9);
        FunctionLocation loc;
        loc.textLength = locations.integer(2);
        loc.ValMin = static_cast<std::uint16_t>(locations.integer(3));
        loc.ValMax = static_cast<std::uint16_t>(locations.integer(4));
        loc.length = static_cast<std::uint16_t>(rawLength);
        loc.mask = static_cast<std::uint32_t>(locations.integer(6));
        loc.address = static_cast<std::uint16_t>(locations.integer(7));
        loc.func_id = static_cast<std::uint16_t>(rawKind);
        loc.func_parameter_id = static_cast<std::uint16_t>(locations.integer(10));
        row.location = loc;

        QString problem = locationProblem(rawKind, rawLength);
        if (problem.isEmpty() && rawKind == FN_RANGE && loc.ValMin > loc.ValMax) {
            problem =
                QStringLiteral("range minimum %1 is above its maximum %2").arg(loc.ValMin).arg(loc.ValMax);
        }
        if (!problem.isEmpty()) {
            if (row.usable()) row.unusableReason = problem;
            continue;
        }

        DatabaseStatement values = db.prepare(kValueQuery);
        values.bind(":num", loc.func_parameter_id);
        while (values.next() && row.usable()) {
            if (rawKind == FN_RANGE) {
                const std::size_t count = std::size_t{loc.ValMax} - loc.ValMin + 1;
                if (row.items.size() + count > static_cast<std::size_t>(kMaxRangeItems)) {
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
            const auto value = static_cast<std::uint32_t>(values.integer(4));
            row.items.emplace_back(
                values.latin1(kValueNameColumns[static_cast<std::size_t>(languageIndex())]), value, value,
                value, loc.address, loc.length, loc.mask, loc.func_id, loc.func_parameter_id, loc.ValMin,
                loc.ValMax);
            if (rawKind != FN_LIST && row.items.size() > static_cast<std::size_t>(kMaxTextOrActionItems)) {
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
