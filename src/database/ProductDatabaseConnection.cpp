#include "database/ProductDatabaseConnection.h"

#include <QDir>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace dravik {

namespace {

QString errorText(sqlite3* db) {
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

}  // namespace

DatabaseStatement::DatabaseStatement(sqlite3* db, SqliteStatementHandle statement, const char* text,
                                     const DatabaseMessageHandler* onWarn)
    : db_(db), statement_(std::move(statement)), text_(text), onWarn_(onWarn) {}

void DatabaseStatement::bind(const char* name, std::int32_t value) {
    if (!statement_) return;
    const int index = sqlite3_bind_parameter_index(statement_.get(), name);
    if (index == 0 || sqlite3_bind_int(statement_.get(), index, value) != SQLITE_OK) {
        bindFailed_ = true;
        if (onWarn_ && *onWarn_) {
            (*onWarn_)(QStringLiteral("Product database: cannot bind %1 in \"%2\"")
                           .arg(QString::fromLatin1(name), QString::fromLatin1(text_)));
        }
    }
}

bool DatabaseStatement::next() {
    if (!statement_ || bindFailed_ || done_) return false;
    const int rc = sqlite3_step(statement_.get());
    if (rc == SQLITE_ROW) return true;
    done_ = true;
    if (rc != SQLITE_DONE && onWarn_ && *onWarn_) {
        (*onWarn_)(QStringLiteral("Product database: reading \"%1\" stopped early: %2")
                       .arg(QString::fromLatin1(text_), errorText(db_)));
    }
    return false;
}

void DatabaseStatement::restart() {
    if (statement_) {
        sqlite3_reset(statement_.get());
        sqlite3_clear_bindings(statement_.get());
    }
    bindFailed_ = false;
    done_ = false;
}

std::int64_t DatabaseStatement::integer(int column) const {
    return statement_ ? sqlite3_column_int64(statement_.get(), column) : 0;
}

QString DatabaseStatement::columnProblem(const char* table, int needed) const {
    if (!statement_) return {};
    const int columns = sqlite3_column_count(statement_.get());
    if (columns >= needed) return {};
    return QStringLiteral("table %1 has %2 columns, %3 expected")
        .arg(QString::fromLatin1(table))
        .arg(columns)
        .arg(needed);
}

QByteArray DatabaseStatement::bytes(int column) const {
    if (!statement_) return {};
    const unsigned char* text = sqlite3_column_text(statement_.get(), column);
    const int size = sqlite3_column_bytes(statement_.get(), column);
    if (text == nullptr || size <= 0) return {};
    return QByteArray(reinterpret_cast<const char*>(text), std::min(size, kMaxTextBytes));
}

QString DatabaseStatement::latin1(int column) const { return QString::fromLatin1(bytes(column)); }

DatabaseConnection::DatabaseConnection(const QString& path, const DatabaseMessageHandler& onFatal,
                                       const DatabaseMessageHandler& onWarn)
    : path_(path), onFatal_(onFatal), onWarn_(onWarn) {
    if (sqlite3_initialize() != SQLITE_OK) {
        fail(QStringLiteral("Cannot initialise SQLite to open the product database %1").arg(QDir::toNativeSeparators(path_)));
        return;
    }
    // Only a regular file is handed to SQLite: a named pipe there would hold the start-up for good.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::path(path_.toStdU16String()), ec)) {
        fail(QStringLiteral("Cannot open the product database %1: it is not a file").arg(QDir::toNativeSeparators(path_)));
        return;
    }
    sqlite3* raw = nullptr;
    // Read-write without create: a missing database is an error, never an empty new file.
    const int rc = sqlite3_open_v2(path_.toUtf8().constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(raw);
    if (rc != SQLITE_OK) {
        const QString reason = errorText(raw);
        db_.reset();
        fail(QStringLiteral("Cannot open the product database %1: %2").arg(QDir::toNativeSeparators(path_), reason));
    }
}

DatabaseStatement DatabaseConnection::prepare(const char* text) {
    if (failed_) return {};
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db_.get(), text, -1, &raw, nullptr);
    SqliteStatementHandle statement(raw);
    if (rc != SQLITE_OK || !statement) {
        fail(QStringLiteral("Cannot read the product database %1: statement \"%2\" failed: %3")
                 .arg(QDir::toNativeSeparators(path_), QString::fromLatin1(text), errorText(db_.get())));
        return {};
    }
    return DatabaseStatement(db_.get(), std::move(statement), text, &onWarn_);
}

void DatabaseConnection::fail(const QString& message) {
    if (failed_) return;
    failed_ = true;
    if (onFatal_) onFatal_(message);
}

}  // namespace dravik
