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
#include "support/DatabaseSchema.h"

namespace dbtest {

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

    void createWithSchema(const std::string& rows) {
        create(std::string(dravik::test::kDatabaseSchema) + rows);
    }

    dravik::ProductDatabase database() {
        return dravik::ProductDatabase(
            dir.path(), language, [this](const QString& m) { fatals << m; },
            [this](const QString& m) { warnings << m; });
    }
};

}  // namespace dbtest
