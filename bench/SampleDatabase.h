#pragma once
// The sample product database, built from the source tree's SQL into a folder of the benchmark's.

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QString>

#include "database/ProductDatabase.h"

namespace dravik::benchsupport {

// Runs SQL on the database in the folder (created when missing).
inline bool runOnDatabase(const QString& folder, const char* sql) {
    const QByteArray path = QDir(folder).filePath(QString::fromLatin1(kProductDatabaseFileName)).toUtf8();
    sqlite3* db = nullptr;
    const bool ok = sqlite3_open(path.constData(), &db) == SQLITE_OK &&
                    sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

inline bool buildSampleDatabase(const QString& folder) {
    QFile sql(QStringLiteral(DRAVIK_SOURCE_DIR "/data/products.sql"));
    if (!sql.open(QIODevice::ReadOnly)) return false;
    return runOnDatabase(folder, sql.readAll().constData());
}

}  // namespace dravik::benchsupport
