#include <QFile>
#include <set>
#include <string>

#include "product_database_fixture.h"

using namespace dravik;

namespace {

class ProductDatabaseFunctions : public dbtest::DatabaseTest {};
class ProductDatabaseSample : public dbtest::DatabaseTest {};
class ProductDatabaseGroups : public dbtest::DatabaseTest {};

std::string n(int v) { return std::to_string(v); }

std::string quill(int product, int enabled, int nameKey, int functionKey) {
    return "INSERT INTO Programmer_Quillomark VALUES (" + n(product) + ", " + n(enabled) + ", NULL, " +
           n(nameKey) + ", " + n(functionKey) + ");";
}

std::string fname(int key, const std::string& en) {
    return "INSERT INTO Fnc_Name VALUES ('" + en + "', '" + en + " it', " + n(key) + ", '" + en +
           " fr', 'x', 'x', 'x', 'x', '" + en + " tip', '" + en + " tip it', '" + en + " tip fr');";
}

std::string location(int functionKey, int kind, int length, int valMin = 0, int valMax = 0, int param = 1) {
    return "INSERT INTO Parameters_Addr VALUES (0, " + n(functionKey) + ", 0, " + n(valMin) + ", " +
           n(valMax) + ", " + n(length) + ", 255, 16, NULL, " + n(kind) + ", " + n(param) + ");";
}

std::string value(int param, int v, const std::string& en = "V") {
    return "INSERT INTO Parameter_Value VALUES ('" + en + "', '" + en + " it', '" + en + " fr', " + n(param) +
           ", " + n(v) + ");";
}

// One enabled list function of product 1 with one value.
std::string listFunction(int nameKey, int functionKey, int param) {
    return quill(1, 1, nameKey, functionKey) + fname(nameKey, "F" + n(nameKey)) +
           location(functionKey, FN_LIST, 1, 0, 0, param) + value(param, 0);
}

}  // namespace

TEST_F(ProductDatabaseFunctions, OnlyEnabledRowsInTableOrder) {
    createWithSchema(listFunction(2, 20, 1) + quill(1, 0, 3, 20) + quill(1, 2, 4, 20) + fname(3, "F3") +
                     fname(4, "F4") + listFunction(300, 50, 2) + quill(2, 1, 5, 20) + fname(5, "F5"));
    auto db = database();
    const ProductFunctions f = db.loadFunctions(1);
    ASSERT_EQ(f.rows.size(), 2u);
    EXPECT_EQ(f.baseNameKey, 2);
    EXPECT_EQ(f.rows[0].nameKey, 2);
    EXPECT_EQ(f.rows[0].name, QStringLiteral("F2"));
    EXPECT_EQ(f.rows[1].nameKey, 300);
    EXPECT_EQ(f.rows[1].functionKey, 50);
    EXPECT_TRUE(f.rows[1].usable()) << f.rows[1].unusableReason.toStdString();
}

TEST_F(ProductDatabaseFunctions, ListItemsCarryTheLocationColumns) {
    createWithSchema(quill(1, 1, 1, 10) + fname(1, "Lock") +
                     "INSERT INTO Parameters_Addr VALUES (0, 10, 7, 3, 9, 2, 0x0300, 0x1C, NULL, 1, 1009);" +
                     value(1009, 0, "Off") + value(1009, 0x100, "Pulse"));
    auto db = database();
    const auto rows = db.loadFunctions(1).rows;
    ASSERT_EQ(rows.size(), 1u);
    const FunctionRow& row = rows[0];
    ASSERT_TRUE(row.usable()) << row.unusableReason.toStdString();
    ASSERT_TRUE(row.location.has_value());
    EXPECT_EQ(row.location->textLength, 7);
    EXPECT_EQ(row.description, QStringLiteral("Lock tip"));
    ASSERT_EQ(row.items.size(), 2u);
    const function_parameters& pulse = row.items[1];
    EXPECT_EQ(pulse.name, QStringLiteral("Pulse"));
    EXPECT_EQ(pulse.value, 0x100u);
    EXPECT_EQ(pulse.actual_value, 0x100u);
    EXPECT_EQ(pulse.valueToWrite, 0x100u);
    EXPECT_EQ(pulse.address, 0x1C);
    EXPECT_EQ(pulse.length, 2);
    EXPECT_EQ(pulse.mask, 0x0300u);
    EXPECT_EQ(pulse.func_id, FN_LIST);
    EXPECT_EQ(pulse.func_parameter_id, 1009);
    EXPECT_EQ(pulse.ValMin, 3);
    EXPECT_EQ(pulse.ValMax, 9);
}

TEST_F(ProductDatabaseFunctions, LanguagePicksColumnsAndResetsUnknownValues) {
    createWithSchema(listFunction(1, 10, 1));
    const struct {
        int language;
        const char* suffix;
        int after;
    } cases[] = {{1, "", 1}, {2, " it", 2}, {3, " fr", 3}, {7, "", 1}, {0, "", 1}, {-1, "", 1}};
    for (const auto& c : cases) {
        language = c.language;
        auto db = database();
        const auto rows = db.loadFunctions(1).rows;
        ASSERT_EQ(rows.size(), 1u);
        ASSERT_EQ(rows[0].items.size(), 1u);
        const QString suffix = QString::fromLatin1(c.suffix);
        EXPECT_EQ(rows[0].name, QStringLiteral("F1") + suffix) << c.language;
        EXPECT_EQ(rows[0].description, QStringLiteral("F1 tip") + suffix) << c.language;
        EXPECT_EQ(rows[0].items[0].name, QStringLiteral("V") + suffix) << c.language;
        EXPECT_EQ(language, c.after);
    }
}

TEST_F(ProductDatabaseFunctions, RangeExpandsToOneItemPerNumber) {
    createWithSchema(quill(1, 1, 1, 10) + fname(1, "Delay") + location(10, FN_RANGE, 1, 0, 3, 5) +
                     value(5, 99));
    auto db = database();
    const auto rows = db.loadFunctions(1).rows;
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].items.size(), 4u);
    for (std::uint32_t k = 0; k < 4; ++k) {
        const function_parameters& item = rows[0].items[k];
        EXPECT_EQ(item.name, QString::number(k));
        EXPECT_EQ(item.value, k);
        EXPECT_EQ(item.actual_value, k);
        EXPECT_EQ(item.valueToWrite, k);
        EXPECT_EQ(item.func_id, FN_RANGE);
        EXPECT_EQ(item.func_parameter_id, 5);
        EXPECT_EQ(item.ValMin, 0);
        EXPECT_EQ(item.ValMax, 0);
    }
}

// Rows the transfer machine cannot hold are marked, keep their name, and leave others usable.
TEST_F(ProductDatabaseFunctions, OutOfRangeRowsAreUnusableWithAReason) {
    const struct {
        int kind, length, valMin, valMax;
        const char* reason;  // nullptr = usable
    } cases[] = {
        {0, 1, 0, 0, "kind 0"},
        {7, 1, 0, 0, "kind 7"},
        {65537, 1, 0, 0, "kind 65537"},
        {FN_LIST, 4, 0, 0, nullptr},
        {FN_LIST, 5, 0, 0, "length 5"},
        {FN_ACTION, 0, 0, 0, "length 0"},
        {FN_RANGE, 5, 0, 3, "length 5"},
        {FN_DIGITS, 10, 0, 0, nullptr},
        {FN_HEX, 11, 0, 0, "length 11"},
        {FN_NUMBER, 65538, 0, 0, "65538"},
        {FN_RANGE, 1, 0, 255, nullptr},
        {FN_RANGE, 1, 0, 1000, "bits outside the mask"},
        {FN_RANGE, 1, 0, 1001, "more than 1001"},
        {FN_RANGE, 1, 0, 65535, "more than"},
        {FN_RANGE, 1, 5, 3, "above"},
    };
    for (const auto& c : cases) {
        QFile::remove(dbPath());
        createWithSchema(quill(1, 1, 1, 10) + fname(1, "Odd") +
                         location(10, c.kind, c.length, c.valMin, c.valMax, 5) + value(5, 1) +
                         listFunction(2, 20, 6));
        auto db = database();
        const auto rows = db.loadFunctions(1).rows;
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].name, QStringLiteral("Odd"));
        EXPECT_TRUE(rows[1].usable());
        if (c.reason == nullptr) {
            EXPECT_TRUE(rows[0].usable())
                << c.kind << "/" << c.length << ": " << rows[0].unusableReason.toStdString();
        } else {
            EXPECT_TRUE(rows[0].unusableReason.contains(QString::fromLatin1(c.reason)))
                << c.kind << "/" << c.length << ": '" << rows[0].unusableReason.toStdString() << "'";
            EXPECT_TRUE(rows[0].items.empty());
        }
    }
}

TEST_F(ProductDatabaseFunctions, RowsWithoutLocationOrValuesAreUnusable) {
    createWithSchema(quill(1, 1, 1, 10) + fname(1, "NoLocation") + quill(1, 1, 2, 20) + fname(2, "NoValues") +
                     location(20, FN_DIGITS, 4, 0, 0, 77));
    auto db = database();
    const auto rows = db.loadFunctions(1).rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].location.has_value());
    EXPECT_TRUE(rows[0].unusableReason.contains(QStringLiteral("Parameters_Addr")));
    EXPECT_TRUE(rows[1].unusableReason.contains(QStringLiteral("Parameter_Value")));
    EXPECT_TRUE(fatals.isEmpty());
}

// The panel's cursors are 8 bits wide: at most 255 rows, and 255 items in a text or action row.
TEST_F(ProductDatabaseFunctions, CountsBeyondTheCursorsAreRefused) {
    createWithSchema(fname(1, "Many") + location(10, FN_ACTION, 1, 0, 0, 5) +
                     "WITH RECURSIVE i(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM i WHERE k < 256) "
                     "INSERT INTO Programmer_Quillomark SELECT 1, 1, NULL, 1, 10 FROM i;"
                     "WITH RECURSIVE i(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM i WHERE k < 256) "
                     "INSERT INTO Parameter_Value SELECT 'v', 'v', 'v', 5, k - 1 FROM i;");
    auto db = database();
    const auto rows = db.loadFunctions(1).rows;
    EXPECT_EQ(rows.size(), 255u);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("255")));
    EXPECT_TRUE(rows[0].unusableReason.contains(QStringLiteral("more than 255 values")))
        << rows[0].unusableReason.toStdString();
}

TEST_F(ProductDatabaseGroups, GroupNameFromLastRow) {
    createWithSchema(
        "INSERT INTO Protocol_group_name VALUES (4, 'Old');"
        "INSERT INTO Protocol_group_name VALUES (4, CAST(X'56E9' AS TEXT));");
    auto db = database();
    const Group g = db.groupName(4);
    EXPECT_EQ(g.Group_name, QString::fromUtf16(u"V\u00E9"));
    EXPECT_EQ(g.Group_number, 4);
    EXPECT_EQ(g.toString(), g.Group_name);
    EXPECT_TRUE(db.groupName(5).Group_name.isEmpty());
    EXPECT_EQ(db.groupName(5).Group_number, 5);
}

TEST(ProductDatabaseRecords, SetValueToWriteClampsOnlyWithMaximum) {
    const struct {
        std::uint16_t min, max;
        std::uint32_t v, expected;
    } cases[] = {{0, 0, 70000, 70000}, {10, 0, 3, 3},       {10, 600, 5, 10},   {10, 600, 601, 600},
                 {10, 600, 10, 10},    {10, 600, 600, 600}, {10, 600, 300, 300}};
    for (const auto& c : cases) {
        function_parameters item(QStringLiteral("x"), 1, 2, 3, 0x10, 1, 0xFF, FN_NUMBER, 7, c.min, c.max);
        item.set_ValueToWrite(c.v);
        EXPECT_EQ(item.valueToWrite, c.expected) << c.min << ".." << c.max << " " << c.v;
        EXPECT_EQ(item.value, 1u);
        item.set_ActualValue(c.v);
        EXPECT_EQ(item.actual_value, c.v);
    }
}

TEST_F(ProductDatabaseSample, DescribesTheDemoProductsAndModules) {
    QFile sql(QStringLiteral(DRAVIK_SOURCE_DIR "/data/products.sql"));
    ASSERT_TRUE(sql.open(QIODevice::ReadOnly));
    create(sql.readAll().toStdString());
    auto db = database();

    ProductState p37;
    ASSERT_TRUE(db.findProduct(37, 0x0100, p37));
    const auto rows = db.loadFunctions(p37.Prd_index).rows;
    std::set<int> kinds;
    std::set<int> keys;
    for (const auto& row : rows) {
        ASSERT_TRUE(row.usable()) << row.name.toStdString() << ": " << row.unusableReason.toStdString();
        kinds.insert(row.location->func_id);
        keys.insert(row.nameKey);
        EXPECT_GE(row.location->address, 0x10);
        EXPECT_LE(row.location->address + row.location->length - 1, 0x2F);
    }
    EXPECT_EQ(kinds, (std::set<int>{FN_LIST, FN_RANGE, FN_ACTION, FN_DIGITS, FN_HEX, FN_NUMBER}));
    EXPECT_TRUE(keys.count(1) && keys.count(2) && keys.count(300));
    EXPECT_EQ(keys.count(8), 0u) << "the disabled function is offered";

    language = 3;
    EXPECT_EQ(db.loadFunctions(p37.Prd_index).rows[1].name, QString::fromUtf16(u"S\u00E9lection du mode"));

    const struct {
        std::uint8_t id;
        std::uint32_t version;
        const char* name;  // nullptr = not found
    } products[] = {{63, 0x0102, "TAVIRON ZED 63"},  {44, 0x0001, "TAVIRON C44"}, {12, 0x0150, "TAVIRON 12"},
                    {12, 0x0250, "TAVIRON 12 Plus"}, {12, 0x0500, nullptr},       {37, 0x0300, nullptr}};
    for (const auto& c : products) {
        ProductState p;
        EXPECT_EQ(db.findProduct(c.id, c.version, p), c.name != nullptr) << int(c.id);
        if (c.name) EXPECT_EQ(p.Prd_Name, QString::fromLatin1(c.name));
    }
    for (const std::uint8_t type : {0xA1, 0xA2, 16, 31, 47, 0x81}) {
        ModuleState m;
        EXPECT_TRUE(db.findModule(type, m)) << int(type);
        if (type == 0xA2) EXPECT_EQ(m.Mod_Name, QStringLiteral("VRAK-2"));
    }
    EXPECT_TRUE(fatals.isEmpty());
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QStringLiteral("; ")).toStdString();
}
