#pragma once
// Small product databases written into a temporary folder, and a ProductDatabase whose fatal and
// warning handlers record what they are told.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <string>

#include "database/ProductDatabase.h"

namespace dbtest {

// Every table with its columns at the positions the program reads.
inline constexpr const char* kSchema = R"sql(
CREATE TABLE Products (InfoLength, InfoAddress, Direct, Ver_low, Ver_high, Module, Comment, WaitTime,
                       Name, Id2, Identification_1, Product_key);
CREATE TABLE Modules (Speed, Key2, Key1, BytesPerSlot, SlotsPerBlock, Direct, MaxC, MaxB, MaxA, Name,
                      SwType, Comment, Reserved, Module_key);
CREATE TABLE Modules_Parameters_B_C (Name_EN, Name_IT, Name_FR, Value, Mask, Slot_source, Modules_ID);
CREATE TABLE Protocol_group_name (Group_number, Group_name);
CREATE TABLE Programmer_Quillomark (Products_ID, Enabled, Comment, NameKey, FunctionKey);
CREATE TABLE Fnc_Name (Name_EN, Name_IT, FncName_ID, Name_FR, R4, R5, R6, R7, Desc_EN, Desc_IT, Desc_FR);
CREATE TABLE Parameters_Addr (LocationKey, ProgrammerQuillomark_ID, TextLength, ValMin, ValMax, Length, Mask,
                              Address, Comment, Func_ID, ParameterKey);
CREATE TABLE Parameter_Value (Name_EN, Name_IT, Name_FR, FunctionParameter_ID, Value);
)sql";

class DatabaseTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    int language = 1;
    QStringList fatals;
    QStringList warnings;

    QString dbPath() const { return QDir(dir.path()).filePath(QStringLiteral("VuzUvazuzuvar.db")); }

    // Creates the database from SQL text; the test fails when the SQL does not run.
    void create(const std::string& sql) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(dbPath().toUtf8().constData(), &raw), SQLITE_OK);
        // The fixtures are throw-away files: skip the disk syncs.
        sqlite3_exec(raw, "PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY;", nullptr, nullptr,
                     nullptr);
        char* error = nullptr;
        const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(raw);
        ASSERT_EQ(rc, SQLITE_OK) << message;
    }

    void createWithSchema(const std::string& rows) { create(std::string(kSchema) + rows); }

    dravik::ProductDatabase database() {
        return dravik::ProductDatabase(
            dir.path(), language, [this](const QString& m) { fatals << m; },
            [this](const QString& m) { warnings << m; });
    }
};

}  // namespace dbtest
