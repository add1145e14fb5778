// Product database rows: every input writes a fresh database (any integer, text or NULL in any
// column, keys that often match) and runs every statement the program runs, building the function
// panel from what it finds. Values that do not fit must be refused, never cut, read past a row or
// overflow.
#include <sqlite3.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QWidget>
#include <cstdlib>
#include <string>

#include "FuzzApplication.h"
#include "FuzzInput.h"
#include "database/ProductDatabase.h"
#include "product/ProductPanel.h"
#include "support/DatabaseSchema.h"

using namespace dravik;

namespace {

struct Table {
    const char* name;
    int columns;
};
constexpr Table kTables[] = {{"Products", 12},
                             {"Modules", 14},
                             {"Modules_Parameters_B_C", 7},
                             {"Protocol_group_name", 2},
                             {"Programmer_Quillomark", 5},
                             {"Fnc_Name", 11},
                             {"Parameters_Addr", 11},
                             {"Parameter_Value", 5}};

QString folder() {
    static const QString path = [] {
        const QString p = QStringLiteral("/dev/shm/dravik-fuzz-database-%1").arg(getpid());
        QDir().mkpath(p);
        return p;
    }();
    return path;
}

void check(bool ok) {
    if (!ok) std::abort();
}

// Small values collide with each other and with the keys the statements ask for.
void bindValue(sqlite3_stmt* insert, int column, fuzz::Input& in) {
    switch (in.byte() % 5) {
        case 0:
            sqlite3_bind_null(insert, column);
            break;
        case 1:
        case 2:
            sqlite3_bind_int64(insert, column, static_cast<std::int8_t>(in.byte()));
            break;
        case 3:
            sqlite3_bind_int64(insert, column, in.int64());
            break;
        default: {
            const std::string text = in.text(40);
            sqlite3_bind_text(insert, column, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
            break;
        }
    }
}

void writeDatabase(const QString& path, fuzz::Input& in) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK);
    sqlite3_exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;", nullptr, nullptr, nullptr);
    check(sqlite3_exec(db, test::kDatabaseSchema, nullptr, nullptr, nullptr) == SQLITE_OK);
    for (int rows = 0; rows < 64 && !in.empty(); ++rows) {
        const Table& table = kTables[in.byte() % std::size(kTables)];
        std::string sql = std::string("INSERT INTO ") + table.name + " VALUES (?";
        for (int c = 1; c < table.columns; ++c) sql += ", ?";
        sql += ")";
        sqlite3_stmt* insert = nullptr;
        check(sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr) == SQLITE_OK);
        for (int c = 1; c <= table.columns; ++c) bindValue(insert, c, in);
        check(sqlite3_step(insert) == SQLITE_DONE);
        sqlite3_finalize(insert);
    }
    sqlite3_close(db);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::uint8_t probe = in.byte();  // which keys the statements ask for
    int language = in.byte() % 5;
    const QString path = QDir(folder()).filePath(QString::fromLatin1(kProductDatabaseFileName));
    QFile::remove(path);
    writeDatabase(path, in);

    ProductDatabase db(
        folder(), language, [](const QString&) { std::abort(); }, [](const QString&) {});
    const auto key = static_cast<std::int8_t>(probe);
    ProductState product;
    db.findProduct(static_cast<std::uint8_t>(probe), static_cast<std::uint32_t>(key), product);
    ModuleState module;
    db.findModule(static_cast<std::uint8_t>(probe), module);
    const ProductFunctions functions =
        db.loadFunctions(product.Prd_connected ? product.Prd_index : static_cast<std::uint32_t>(key));
    QWidget container;
    ProductPanel panel;
    panel.build(&container, functions);
    for (const FunctionRow& row : functions.rows) {
        if (!row.usable()) continue;
        // Every usable row stays inside the product's memory and the transfer buffers.
        check(row.location && row.location->address + row.location->length <= 256);
        for (const function_parameters& item : row.items) {
            check(item.address == row.location->address && item.length >= 1 && item.length <= 10);
            if (item.func_id == FN_LIST || item.func_id == FN_ACTION) check((item.value & ~item.mask) == 0);
        }
    }
    db.moduleParameterGroup(static_cast<std::uint8_t>(probe), static_cast<std::uint32_t>(key), probe % 2 == 0,
                            {});
    db.moduleSlotSources(static_cast<std::uint8_t>(probe));
    db.groupName(static_cast<std::uint16_t>(key));
    return 0;
}
