// A good product database changed in one place per case. Every value is checked on its full stored
// value against the field and the memory it is used in; a value that does not fit is refused with
// the table, the key and the reason, and never reaches the program cut to a smaller width.

#include <QFile>
#include <string>

#include "product_database_fixture.h"

using namespace dravik;

namespace {

// Product 37 (key 9) with a module behind it (software type 0xA2, key 2), two list functions
// sharing nothing, and one module parameter row and slot.
constexpr const char* kGoodRows = R"sql(
INSERT INTO Products VALUES (2, 0x30, 1, 0, 0xFFFF, 1, NULL, 0, 'Good', 0, 37, 9);
INSERT INTO Modules VALUES (1, 0x5A, 0xA5, 256, 4, 1, 3, 0x10F, 15, 'M', 162, NULL, 0, 2);
INSERT INTO Programmer_Quillomark VALUES (9, 1, NULL, 1, 10), (9, 1, NULL, 2, 20);
INSERT INTO Fnc_Name VALUES ('Siren', 'Sirena', 1, 'Sirene', 0, 0, 0, 0, 'tip', 'tip', 'tip'),
                            ('Other', 'Altro', 2, 'Autre', 0, 0, 0, 0, 'tip', 'tip', 'tip');
INSERT INTO Parameters_Addr VALUES (0, 10, 0, 0, 0, 1, 3, 16, NULL, 1, 5), (0, 20, 0, 0, 0, 1, 255, 17, NULL, 1, 6);
INSERT INTO Parameter_Value VALUES ('Off', 'x', 'x', 5, 0), ('On', 'x', 'x', 5, 1), ('A', 'x', 'x', 6, 0);
INSERT INTO Modules_Parameters_B_C VALUES ('One', 'x', 'x', 1, 15, '12 Generic CAN', 2);
)sql";

enum class Target { Product, Module, Function, FunctionList, ModuleGroup, Slots };

struct Case {
    const char* change;   // SQL run on the good database
    Target target;        // what is read afterwards
    const char* refusal;  // what the refusal says; nullptr = the value is accepted
};

const Case kCases[] = {
    // Products: module information block, flags and keys.
    {"UPDATE Products SET InfoLength = 4", Target::Product, "module information length 4 is outside 0 to 3"},
    {"UPDATE Products SET InfoLength = -1", Target::Product, "module information length -1"},
    {"UPDATE Products SET InfoLength = 4294967297", Target::Product, "length 4294967297"},
    {"UPDATE Products SET InfoAddress = 254", Target::Product, nullptr},
    {"UPDATE Products SET InfoAddress = 255", Target::Product, "passes the end of the 256-byte memory"},
    {"UPDATE Products SET InfoAddress = 256", Target::Product, "module information address 256"},
    {"UPDATE Products SET InfoAddress = -1", Target::Product, "module information address -1"},
    {"UPDATE Products SET Direct = 257", Target::Product, "module direct connection 257"},
    {"UPDATE Products SET Module = -1", Target::Product, "module present -1"},
    {"UPDATE Products SET WaitTime = 4294967296", Target::Product, "wait time 4294967296"},
    {"UPDATE Products SET Id2 = -1", Target::Product, "second identification -1"},
    {"UPDATE Products SET Product_key = 2147483648", Target::Product, "product key 2147483648"},
    {"UPDATE Products SET Ver_low = -5", Target::Product, "Ver_low -5"},
    {"ALTER TABLE Products DROP COLUMN Product_key", Target::Product,
     "table Products has 11 columns, 12 expected"},
    // Modules: slot geometry, keys and selectors.
    {"UPDATE Modules SET BytesPerSlot = 0", Target::Module, "bytes per slot 0 is outside 32 to 4096"},
    {"UPDATE Modules SET BytesPerSlot = NULL", Target::Module, "bytes per slot 0"},
    {"UPDATE Modules SET BytesPerSlot = 4294967328", Target::Module, "bytes per slot 4294967328"},
    {"UPDATE Modules SET BytesPerSlot = 4096, SlotsPerBlock = 3", Target::Module, nullptr},
    {"UPDATE Modules SET SlotsPerBlock = 59", Target::Module, "59 slots of 256 bytes exceed"},
    {"UPDATE Modules SET SlotsPerBlock = 257", Target::Module, "slots per block 257"},
    {"UPDATE Modules SET Speed = 256", Target::Module, "module speed 256"},
    {"UPDATE Modules SET Key1 = -1", Target::Module, "flash unlock key 1 -1"},
    {"UPDATE Modules SET MaxA = 65536", Target::Module, "parameter A selector 65536"},
    {"UPDATE Modules SET Module_key = 258", Target::Module, "module key 258"},
    {"ALTER TABLE Modules DROP COLUMN Module_key", Target::Module,
     "table Modules has 13 columns, 14 expected"},
    // Parameters_Addr: where the value lives and how wide it is.
    {"UPDATE Parameters_Addr SET Address = 511 WHERE LocationKey = 0 AND ProgrammerQuillomark_ID = 10",
     Target::Function, "address 511 is outside 0 to 255"},
    {"UPDATE Parameters_Addr SET Address = -1 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "address -1"},
    {"UPDATE Parameters_Addr SET Address = 255, Length = 2 WHERE ProgrammerQuillomark_ID = 10",
     Target::Function, "address 255 with length 2 passes the end"},
    {"UPDATE Parameters_Addr SET Address = 255 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     nullptr},
    {"UPDATE Parameters_Addr SET Address = 252, Length = 4, Mask = 4294967295 WHERE ProgrammerQuillomark_ID "
     "= 10",
     Target::Function, nullptr},
    {"UPDATE Parameters_Addr SET Length = 4294967297 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "length 4294967297"},
    {"UPDATE Parameters_Addr SET Length = 0 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "length 0 bytes"},
    {"UPDATE Parameters_Addr SET Length = 11, Func_ID = 5 WHERE ProgrammerQuillomark_ID = 10",
     Target::Function, "length 11 bytes is outside 1 to 10"},
    {"UPDATE Parameters_Addr SET Func_ID = 4294967297 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "function kind 4294967297"},
    {"UPDATE Parameters_Addr SET Mask = -1 WHERE ProgrammerQuillomark_ID = 10", Target::Function, "mask -1"},
    {"UPDATE Parameters_Addr SET Mask = 4294967296 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "mask 4294967296"},
    {"UPDATE Parameters_Addr SET ValMin = -1 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "minimum -1"},
    {"UPDATE Parameters_Addr SET ValMax = 65536 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "maximum 65536"},
    {"UPDATE Parameters_Addr SET TextLength = -1 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "text length -1"},
    {"UPDATE Parameters_Addr SET TextLength = 4294967297 WHERE ProgrammerQuillomark_ID = 10",
     Target::Function, "text length 4294967297"},
    {"UPDATE Parameters_Addr SET ParameterKey = 65541 WHERE ProgrammerQuillomark_ID = 10", Target::Function,
     "parameter key 65541"},
    {"UPDATE Parameters_Addr SET Func_ID = 2, ValMax = 4 WHERE ProgrammerQuillomark_ID = 10",
     Target::Function, "range value 4 has bits outside the mask 0x3"},
    {"UPDATE Parameters_Addr SET Func_ID = 2, ValMax = 3 WHERE ProgrammerQuillomark_ID = 10",
     Target::Function, nullptr},
    {"UPDATE Parameters_Addr SET Func_ID = 2, ValMax = 400, Mask = 511, Length = 2 WHERE "
     "ProgrammerQuillomark_ID = 10",
     Target::Function, nullptr},
    {"ALTER TABLE Parameters_Addr DROP COLUMN Comment", Target::Function,
     "table Parameters_Addr has 10 columns, 11 expected"},
    // Parameter_Value: the bits a value stands for stay under the function's mask.
    {"UPDATE Parameter_Value SET Value = 4 WHERE Name_EN = 'On'", Target::Function,
     "value 0x4 has bits outside the mask 0x3"},
    {"UPDATE Parameter_Value SET Value = 4294967299 WHERE Name_EN = 'On'", Target::Function,
     "value 4294967299"},
    {"UPDATE Parameter_Value SET Value = -1 WHERE Name_EN = 'On'", Target::Function, "value -1"},
    {"UPDATE Parameters_Addr SET Func_ID = 3 WHERE ProgrammerQuillomark_ID = 10;"
     "UPDATE Parameter_Value SET Value = 6 WHERE Name_EN = 'On'",
     Target::Function, "value 0x6 has bits outside"},
    // A digit code's value is not merged into shared bits.
    {"UPDATE Parameters_Addr SET Func_ID = 4 WHERE ProgrammerQuillomark_ID = 10;"
     "UPDATE Parameter_Value SET Value = 6 WHERE Name_EN = 'On'",
     Target::Function, nullptr},
    {"ALTER TABLE Parameter_Value DROP COLUMN Name_FR", Target::Function,
     "table Parameter_Value has 4 columns, 5 expected"},
    // Keys of the function list: refused rows are left out with a warning.
    {"UPDATE Programmer_Quillomark SET NameKey = 2147483648 WHERE FunctionKey = 10", Target::FunctionList,
     "function name key 2147483648"},
    {"UPDATE Programmer_Quillomark SET FunctionKey = -2147483649 WHERE FunctionKey = 10",
     Target::FunctionList, "function key -2147483649"},
    {"ALTER TABLE Programmer_Quillomark DROP COLUMN Comment", Target::FunctionList,
     "table Programmer_Quillomark has 4 columns, 5 expected"},
    {"ALTER TABLE Fnc_Name DROP COLUMN Desc_FR", Target::FunctionList,
     "table Fnc_Name has 10 columns, 11 expected"},
    // Module parameter groups and working slots.
    {"UPDATE Modules_Parameters_B_C SET Value = 16", Target::ModuleGroup, "value 0x10 has bits outside"},
    {"UPDATE Modules_Parameters_B_C SET Value = 4294967297", Target::ModuleGroup, "value 4294967297"},
    {"ALTER TABLE Modules_Parameters_B_C DROP COLUMN Name_FR; ALTER TABLE Modules_Parameters_B_C DROP COLUMN "
     "Name_IT; ALTER TABLE Modules_Parameters_B_C DROP COLUMN Slot_source",
     Target::ModuleGroup, "table Modules_Parameters_B_C has 4 columns, 5 expected"},
    {"UPDATE Modules_Parameters_B_C SET Slot_source = 300", Target::Slots, "slot number 300"},
    {"UPDATE Modules_Parameters_B_C SET Slot_source = '4294967308 big'", Target::Slots,
     "slot number 4294967308"},
    {"ALTER TABLE Modules_Parameters_B_C DROP COLUMN Name_FR; ALTER TABLE Modules_Parameters_B_C DROP COLUMN "
     "Name_IT",
     Target::Slots, "table Modules_Parameters_B_C has 5 columns, 6 expected"},
};

class HostileDatabase : public dbtest::DatabaseTest {
  protected:
    // The refusal the case produced: the row's reason for a function, else the warnings.
    QString readTarget(const Case& c) {
        auto db = database();
        switch (c.target) {
            case Target::Product: {
                ProductState p;
                const bool found = db.findProduct(37, 0x0100, p);
                EXPECT_EQ(found, c.refusal == nullptr);
                EXPECT_EQ(p.Prd_connected, found ? 1 : 0);
                if (!found) EXPECT_TRUE(p.Prd_Name.isEmpty()) << "a refused row left values behind";
                break;
            }
            case Target::Module: {
                ModuleState m;
                const bool found = db.findModule(162, m);
                EXPECT_EQ(found, c.refusal == nullptr);
                EXPECT_EQ(m.Mod_connected, found ? 1 : 0);
                if (!found) EXPECT_EQ(m.Mod_BytesPerSlot, 0);
                break;
            }
            case Target::Function: {
                const auto rows = db.loadFunctions(9).rows;
                EXPECT_EQ(rows.size(), 2u);
                if (rows.size() != 2u) return {};
                EXPECT_EQ(rows[0].name, QStringLiteral("Siren"));
                EXPECT_TRUE(rows[1].usable() || c.refusal != nullptr) << rows[1].unusableReason.toStdString();
                if (!rows[0].usable()) EXPECT_TRUE(rows[0].items.empty());
                return rows[0].unusableReason + warnings.join(QLatin1Char('|'));
            }
            case Target::FunctionList: {
                const auto rows = db.loadFunctions(9).rows;
                EXPECT_LE(rows.size(), c.refusal ? 1u : 2u);
                break;
            }
            case Target::ModuleGroup:
                EXPECT_EQ(db.moduleParameterGroup(2, 15, true, {}).size(), c.refusal ? 0u : 1u);
                break;
            case Target::Slots:
                EXPECT_EQ(db.moduleSlotSources(2).size(), c.refusal ? 0u : 1u);
                break;
        }
        return warnings.join(QLatin1Char('|'));
    }
};

TEST_F(HostileDatabase, EveryValueIsCheckedWhereItIsUsed) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.change);
        QFile::remove(dbPath());
        warnings.clear();
        createWithSchema(std::string(kGoodRows) + c.change + ";");
        const QString refusal = readTarget(c);
        EXPECT_TRUE(fatals.isEmpty());
        if (c.refusal == nullptr) {
            EXPECT_TRUE(refusal.isEmpty()) << refusal.toStdString();
        } else {
            EXPECT_TRUE(refusal.contains(QString::fromLatin1(c.refusal))) << refusal.toStdString();
        }
    }
}

// Texts are shown in one line: a huge stored name is taken only up to its first 4096 bytes.
TEST_F(HostileDatabase, LongTextsAreCut) {
    createWithSchema(std::string(kGoodRows) + "UPDATE Products SET Name = printf('%.*c', 1000000, 'x');");
    auto db = database();
    ProductState p;
    ASSERT_TRUE(db.findProduct(37, 0x0100, p));
    EXPECT_EQ(p.Prd_Name.size(), 4096);
}

// A refused product or module names its table and key so the row can be found and mended.
TEST_F(HostileDatabase, RefusalsNameTableAndKey) {
    createWithSchema(std::string(kGoodRows) +
                     "UPDATE Products SET InfoLength = 9; UPDATE Modules SET BytesPerSlot = 8;");
    auto db = database();
    ProductState p;
    ModuleState m;
    EXPECT_FALSE(db.findProduct(37, 0x0100, p));
    EXPECT_FALSE(db.findModule(162, m));
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("Products row with product key 9")))
        << warnings[0].toStdString();
    EXPECT_TRUE(warnings[1].contains(QStringLiteral("Modules row with module key 2")))
        << warnings[1].toStdString();
}

}  // namespace
