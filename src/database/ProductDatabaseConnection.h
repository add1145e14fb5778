#pragma once
// One short-lived connection to the product database, opened for a single operation. Opening or
// preparing failures go to the fatal handler; afterwards every call is a harmless no-op, so an
// operation can run to its end and return empty results if the handler returns.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

#include "database/SqliteHandles.h"

namespace dravik {

using DatabaseMessageHandler = std::function<void(const QString& message)>;

class DatabaseStatement {
  public:
    DatabaseStatement() = default;
    DatabaseStatement(sqlite3* db, SqliteStatementHandle statement, const char* text,
                      const DatabaseMessageHandler* onWarn);

    bool valid() const { return statement_ != nullptr; }
    // Binds a named integer parameter (":num"). A failed bind leaves the statement without rows.
    void bind(const char* name, std::int32_t value);
    // Steps to the next row; false when the rows are exhausted or stepping failed.
    bool next();
    // Back to before the first row with no parameter bound, to be bound and run again.
    void restart();

    // The full stored value: a value beyond 32 bits is never cut before it is checked.
    std::int64_t integer(int column) const;
    // Why the rows cannot be read by position up to column needed - 1 (the table named in the
    // message); empty when they can, or when the statement failed to prepare.
    QString columnProblem(const char* table, int needed) const;
    // The stored bytes, at most kMaxTextBytes of them: names and descriptions are shown in one line.
    QByteArray bytes(int column) const;
    static constexpr int kMaxTextBytes = 4096;
    // Stored bytes taken one character per byte (ISO 8859-1), never decoded as UTF-8.
    QString latin1(int column) const;

  private:
    sqlite3* db_ = nullptr;
    SqliteStatementHandle statement_;
    const char* text_ = "";
    const DatabaseMessageHandler* onWarn_ = nullptr;
    bool bindFailed_ = false;
    bool done_ = false;
};

class DatabaseConnection {
  public:
    DatabaseConnection(const QString& path, const DatabaseMessageHandler& onFatal,
                       const DatabaseMessageHandler& onWarn);

    bool ok() const { return !failed_; }
    // Prepares the exact statement text. On failure the fatal handler is told once and an empty
    // statement (no rows) is returned.
    DatabaseStatement prepare(const char* text);

  private:
    void fail(const QString& message);

    QString path_;
    const DatabaseMessageHandler& onFatal_;
    const DatabaseMessageHandler& onWarn_;
    SqliteConnectionHandle db_;
    bool failed_ = false;
};

}  // namespace dravik
