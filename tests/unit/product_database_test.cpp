#include <QFileInfo>
#include <functional>

#include "product_database_fixture.h"

using namespace dravik;

class ProductDatabaseFailure : public dbtest::DatabaseTest {};
class ProductDatabaseProducts : public dbtest::DatabaseTest {};
class ProductDatabaseModules : public dbtest::DatabaseTest {};

namespace {

// One call per statement the program runs, so a missing table is seen by every operation.
struct Operation {
    const char* name;
    const char* table;
    std::function<void(ProductDatabase&)> run;
};

const Operation kOperations[] = {
    {"product", "Products",
     [](ProductDatabase& db) {
         ProductState p;
         EXPECT_FALSE(db.findProduct(37, 0x100, p));
     }},
    {"module", "Modules",
     [](ProductDatabase& db) {
         ModuleState m;
         EXPECT_FALSE(db.findModule(0xA1, m));
     }},
    {"functions", "Programmer_Quillomark",
     [](ProductDatabase& db) { EXPECT_TRUE(db.loadFunctions(1).rows.empty()); }},
    {"group", "Modules_Parameters_B_C",
     [](ProductDatabase& db) { EXPECT_TRUE(db.moduleParameterGroup(1, 15, true, {}).empty()); }},
    {"slots", "Modules_Parameters_B_C",
     [](ProductDatabase& db) { EXPECT_TRUE(db.moduleSlotSources(1).empty()); }},
    {"group name", "Protocol_group_name",
     [](ProductDatabase& db) { EXPECT_TRUE(db.groupName(4).Group_name.isEmpty()); }},
};

}  // namespace

TEST_F(ProductDatabaseFailure, MissingFileIsFatalAndNotCreated) {
    for (const auto& op : kOperations) {
        fatals.clear();
        auto db = database();
        op.run(db);
        ASSERT_EQ(fatals.size(), 1) << op.name;
        EXPECT_TRUE(fatals[0].contains(QDir::toNativeSeparators(dbPath()))) << fatals[0].toStdString();
        EXPECT_FALSE(QFile::exists(dbPath())) << op.name << " created the database";
    }
}

TEST_F(ProductDatabaseFailure, GarbageFileIsFatal) {
    QFile file(dbPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    for (const auto& op : kOperations) {
        fatals.clear();
        auto db = database();
        op.run(db);
        ASSERT_EQ(fatals.size(), 1) << op.name;
        EXPECT_TRUE(fatals[0].contains(QDir::toNativeSeparators(dbPath()))) << fatals[0].toStdString();
        EXPECT_TRUE(fatals[0].contains(QStringLiteral("not a database"))) << fatals[0].toStdString();
    }
}

TEST_F(ProductDatabaseFailure, MissingTableNamesTheStatement) {
    create("CREATE TABLE Unrelated (x);");
    for (const auto& op : kOperations) {
        fatals.clear();
        auto db = database();
        op.run(db);
        ASSERT_EQ(fatals.size(), 1) << op.name;
        EXPECT_TRUE(fatals[0].contains(QString::fromLatin1(op.table))) << fatals[0].toStdString();
    }
}

TEST_F(ProductDatabaseFailure, MissingColumnIsFatal) {
    create("CREATE TABLE Products (Identification_1, Ver_high);");
    ProductState product;
    auto db = database();
    EXPECT_FALSE(db.findProduct(37, 0x100, product));
    ASSERT_EQ(fatals.size(), 1);
    EXPECT_TRUE(fatals[0].contains(QStringLiteral("Ver_low"))) << fatals[0].toStdString();
    EXPECT_EQ(product.Prd_connected, 0);
}

// A nested statement that fails leaves no half-built panel behind.
TEST_F(ProductDatabaseFailure, NestedStatementGivesNoRows) {
    create(
        "CREATE TABLE Programmer_Quillomark (Products_ID, Enabled, C, NameKey, FunctionKey);"
        "INSERT INTO Programmer_Quillomark VALUES (1, 1, NULL, 1, 10);"
        "CREATE TABLE Fnc_Name (Name_EN, Name_IT, FncName_ID, Name_FR, a, b, c, d, e, f, g);"
        "INSERT INTO Fnc_Name VALUES ('Siren', 'Sirena', 1, 'Sirene', 0, 0, 0, 0, '', '', '');");
    auto db = database();
    EXPECT_TRUE(db.loadFunctions(1).rows.empty());
    ASSERT_EQ(fatals.size(), 1);
    EXPECT_TRUE(fatals[0].contains(QStringLiteral("Parameters_Addr")));
}

TEST_F(ProductDatabaseProducts, ReadEveryColumnByPosition) {
    createWithSchema(
        "INSERT INTO Products VALUES (3, 0x41, 1, 0x0105, 0x02FF, 1, 'x', 250, 'Alpha', 77, 37, 9);");
    ProductState p;
    auto db = database();
    ASSERT_TRUE(db.findProduct(37, 0x0200, p));
    EXPECT_EQ(p.Prd_connected, 1);
    EXPECT_EQ(p.Prd_Module_Info_Address_Length, 3);
    EXPECT_EQ(p.Prd_Module_Info_Address, 0x41);
    EXPECT_EQ(p.Prd_Module_DirectConnection, 1);
    EXPECT_EQ(p.Prd_Version_low, 0x05);
    EXPECT_EQ(p.Prd_Version_high, 0xFF);
    EXPECT_EQ(p.Prd_Module, 1);
    EXPECT_EQ(p.Prd_WaitTime, 250u);
    EXPECT_EQ(p.Prd_Name, QStringLiteral("Alpha"));
    EXPECT_EQ(p.Prd_Id2, 77u);
    EXPECT_EQ(p.Prd_Id1, 37u);
    EXPECT_EQ(p.Prd_index, 9u);
    EXPECT_TRUE(fatals.isEmpty());
}

TEST_F(ProductDatabaseProducts, MatchIdentificationAndVersionRange) {
    createWithSchema("INSERT INTO Products VALUES (0, 0, 0, 0x0100, 0x01FF, 0, NULL, 0, 'A', 0, 37, 1);");
    const struct {
        std::uint8_t id;
        std::uint32_t version;
        bool found;
    } cases[] = {{37, 0x0100, true},
                 {37, 0x01FF, true},
                 {37, 0x00FF, false},
                 {37, 0x0200, false},
                 {38, 0x0150, false}};
    for (const auto& c : cases) {
        ProductState p;
        auto db = database();
        EXPECT_EQ(db.findProduct(c.id, c.version, p), c.found) << int(c.id) << " " << c.version;
        EXPECT_EQ(p.Prd_connected, c.found ? 1 : 0);
    }
}

TEST_F(ProductDatabaseProducts, LastMatchingRowWins) {
    createWithSchema(
        "INSERT INTO Products VALUES (0, 0, 0, 0x0100, 0x02FF, 1, NULL, 0, 'First', 0, 12, 4);"
        "INSERT INTO Products VALUES (0, 0, 0, 0x0200, 0x02FF, 0, NULL, 0, 'Second', 0, 12, 5);");
    ProductState p;
    auto db = database();
    ASSERT_TRUE(db.findProduct(12, 0x0250, p));
    EXPECT_EQ(p.Prd_Name, QStringLiteral("Second"));
    EXPECT_EQ(p.Prd_index, 5u);
    EXPECT_EQ(p.Prd_Module, 0);
    ProductState early;
    ASSERT_TRUE(db.findProduct(12, 0x0150, early));
    EXPECT_EQ(early.Prd_Name, QStringLiteral("First"));
}

// The module information is read into a 3-byte buffer; a longer block must not reach it.
TEST_F(ProductDatabaseProducts, RefuseLongModuleInformation) {
    createWithSchema(
        "INSERT INTO Products VALUES (2, 0x30, 0, 0, 0xFFFF, 1, NULL, 0, 'Good', 0, 44, 3);"
        "INSERT INTO Products VALUES (4, 0x30, 0, 0, 0xFFFF, 1, NULL, 0, 'Bad', 0, 44, 6);"
        "INSERT INTO Products VALUES (259, 0x30, 0, 0, 0xFFFF, 1, NULL, 0, 'Wraps', 0, 45, 7);");
    ProductState p;
    auto db = database();
    ASSERT_TRUE(db.findProduct(44, 0x10, p));
    EXPECT_EQ(p.Prd_Name, QStringLiteral("Good"));
    EXPECT_EQ(p.Prd_Module_Info_Address_Length, 2);
    ProductState wraps;
    EXPECT_FALSE(db.findProduct(45, 0x10, wraps));
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("Bad")) &&
                warnings[0].contains(QStringLiteral("length 4")))
        << warnings[0].toStdString();
}

// Texts are taken byte by byte: UTF-8 "é" (C3 A9) shows as two characters.
TEST_F(ProductDatabaseProducts, TextsAreLatin1Bytes) {
    createWithSchema(
        "INSERT INTO Products VALUES (0, 0, 0, 0, 0xFFFF, 0, NULL, 0, CAST(X'43C3A9' AS TEXT), 0, 1, 1);"
        "INSERT INTO Products VALUES (0, 0, 0, 0, 0xFFFF, 0, NULL, 0, CAST(X'43E9FF' AS TEXT), 0, 2, 2);");
    ProductState utf8;
    ProductState latin1;
    auto db = database();
    ASSERT_TRUE(db.findProduct(1, 0, utf8));
    ASSERT_TRUE(db.findProduct(2, 0, latin1));
    EXPECT_EQ(utf8.Prd_Name, QString::fromUtf16(u"C\u00C3\u00A9"));
    EXPECT_EQ(latin1.Prd_Name, QString::fromUtf16(u"C\u00E9\u00FF"));
}

TEST_F(ProductDatabaseModules, ReadColumnsAndDeriveLines) {
    createWithSchema(
        "INSERT INTO Modules VALUES (3, 0x5A, 0xA5, 256, 4, 1, 0x0103, 0x0201, 0x000F, 'VRAK-2', 0xA2, NULL, "
        "0, 2);");
    ModuleState m;
    auto db = database();
    ASSERT_TRUE(db.findModule(0xA2, m));
    EXPECT_EQ(m.Mod_connected, 1);
    EXPECT_EQ(m.Mod_Speed, 3);
    EXPECT_EQ(m.Mod_UnlockFlashKey2, 0x5A);
    EXPECT_EQ(m.Mod_UnlockFlashKey1, 0xA5);
    EXPECT_EQ(m.Mod_BytesPerSlot, 256);
    EXPECT_EQ(m.Mod_LinesPerSlot, 15);
    EXPECT_EQ(m.Mod_SlotsPerBlock, 4);
    EXPECT_EQ(m.Mdl_DirectConnection, 1);
    EXPECT_EQ(m.Mdl_Selected_MaxParameter_C, 0x0103);
    EXPECT_EQ(m.Mdl_Selected_MaxParameter_B, 0x0201);
    EXPECT_EQ(m.Mdl_Selected_MaxParameter_A, 0x000F);
    EXPECT_EQ(m.Mod_Name, QStringLiteral("VRAK-2"));
    EXPECT_EQ(m.Mod_index, 2);
    ModuleState none;
    EXPECT_FALSE(db.findModule(0xA1, none));
    EXPECT_EQ(none.Mod_connected, 0);
}

// Slot geometry that would wrap the line counter or overflow the protocol image is refused.
TEST_F(ProductDatabaseModules, RefuseBadSlotGeometry) {
    const struct {
        int bytesPerSlot;
        int slotsPerBlock;
        bool accepted;
    } cases[] = {{32, 4, true},   {31, 4, false},   {16, 4, false},  {0, 4, false},   {-256, 1, false},
                 {4096, 3, true}, {4112, 1, false}, {256, 58, true}, {256, 59, false}};
    for (const auto& c : cases) {
        warnings.clear();
        QFile::remove(dbPath());
        createWithSchema("INSERT INTO Modules VALUES (0, 0, 0, " + std::to_string(c.bytesPerSlot) + ", " +
                         std::to_string(c.slotsPerBlock) + ", 0, 0, 0, 0, 'M', 16, NULL, 0, 1);");
        ModuleState m;
        auto db = database();
        EXPECT_EQ(db.findModule(16, m), c.accepted) << c.bytesPerSlot << " x " << c.slotsPerBlock;
        EXPECT_EQ(warnings.size(), c.accepted ? 0 : 1);
        if (c.accepted) EXPECT_EQ(m.Mod_LinesPerSlot, c.bytesPerSlot / 16 - 1);
    }
}

TEST_F(ProductDatabaseModules, ModuleParameterGroups) {
    createWithSchema(
        "INSERT INTO Modules_Parameters_B_C VALUES ('One', 'Uno', 'Un', 1, 15, '1 P', 3);"
        "INSERT INTO Modules_Parameters_B_C VALUES ('Two', 'Due', 'Deux', 2, 15, '2 P', 3);"
        "INSERT INTO Modules_Parameters_B_C VALUES ('Fast', 'Veloce', 'Rapide', 4, 12, '3 P', 3);"
        "INSERT INTO Modules_Parameters_B_C VALUES ('Other', 'Altro', 'Autre', 1, 15, '4 P', 4);");
    auto db = database();
    const auto a = db.moduleParameterGroup(3, 15, true, {2, 0x0107});
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[1].name, QStringLiteral("Two"));
    EXPECT_EQ(a[1].value, 2u);
    EXPECT_EQ(a[1].actual_value, 2u);
    EXPECT_EQ(a[1].valueToWrite, 2u);
    EXPECT_EQ(a[1].mask, 15u);
    EXPECT_EQ(a[1].address, 0xFFFF);
    EXPECT_EQ(a[1].length, 0xFFFF);
    EXPECT_EQ(a[1].func_id, 0xFFFF);
    EXPECT_EQ(a[1].func_parameter_id, 0xFFFF);
    EXPECT_EQ(a[1].ValMax, 0);

    language = 3;
    const auto c = db.moduleParameterGroup(3, 12, false, {2, 0x0107}, ModuleParameterWords{1, 0x0108});
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].name, QStringLiteral("Rapide"));
    EXPECT_EQ(c[0].actual_value, 0x0107u & 12u);
    EXPECT_EQ(c[0].valueToWrite, 0x0108u & 12u);
    EXPECT_TRUE(db.moduleParameterGroup(3, 3, false, {}).empty());
}

TEST_F(ProductDatabaseModules, ModuleSlotSourcesReadTextAndLeadingNumber) {
    createWithSchema(
        "INSERT INTO Modules_Parameters_B_C VALUES ('a', 'a', 'a', 0, 15, '12 Generic CAN', 3);"
        "INSERT INTO Modules_Parameters_B_C VALUES ('b', 'b', 'b', 0, 15, 'no number', 3);"
        "INSERT INTO Modules_Parameters_B_C VALUES ('c', 'c', 'c', 0, 3, 300, 3);"
        "INSERT INTO Modules_Parameters_B_C VALUES ('d', 'd', 'd', 0, 3, '9 elsewhere', 4);");
    auto db = database();
    const auto sources = db.moduleSlotSources(3);
    // A slot number beyond 8 bits is refused, not cut to 44.
    ASSERT_EQ(sources.size(), 2u);
    EXPECT_EQ(sources[0].text, QByteArray("12 Generic CAN"));
    EXPECT_EQ(sources[0].number, 12);
    EXPECT_EQ(sources[1].number, 0);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("slot number 300"))) << warnings[0].toStdString();
}

namespace {

class ProductDatabaseStamp : public dbtest::DatabaseTest {};

// The stamp tells a built panel whether the file changed: every committed write moves it, even one
// that keeps the file's size and comes within the file system's time granularity.
TEST_F(ProductDatabaseStamp, MovesWithEveryWriteAndIsEmptyWithoutAFile) {
    EXPECT_TRUE(database().contentStamp().isEmpty());
    createWithSchema("INSERT INTO Fnc_Name VALUES ('Siren', '', 1, '', '', '', '', '', '', '', '');");
    const QByteArray first = database().contentStamp();
    EXPECT_FALSE(first.isEmpty());
    EXPECT_EQ(database().contentStamp(), first);
    const qint64 size = QFileInfo(dbPath()).size();
    create("UPDATE Fnc_Name SET Name_EN = 'Horns' WHERE FncName_ID = 1;");
    ASSERT_EQ(QFileInfo(dbPath()).size(), size);
    EXPECT_NE(database().contentStamp(), first);
    ASSERT_TRUE(QFile::remove(dbPath()));
    ASSERT_TRUE(QDir().mkdir(dbPath()));
    EXPECT_TRUE(database().contentStamp().isEmpty());
}

}  // namespace
