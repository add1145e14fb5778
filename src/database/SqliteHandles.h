#pragma once
// Owning handles for SQLite connections and prepared statements. A statement must be released
// before the connection it belongs to, so declare statements after their connection.

#include <sqlite3.h>

#include <memory>

namespace dravik {

struct SqliteConnectionCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close(db); }
};

struct SqliteStatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};

using SqliteConnectionHandle = std::unique_ptr<sqlite3, SqliteConnectionCloser>;
using SqliteStatementHandle = std::unique_ptr<sqlite3_stmt, SqliteStatementFinalizer>;

}  // namespace dravik
