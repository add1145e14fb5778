// The sample benches against the sample database: each module the benches model is described by
// the rows the program looks up, with the same speed, unlock keys and image geometry.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <memory>
#include <string>

#include "sim/Bench.h"

namespace {

using Row = std::vector<long long>;

// Integer columns of the last row a query returns; empty when none.
Row lastRow(sqlite3* db, const std::string& sql, int columns) {
    sqlite3_stmt* raw = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> stmt(raw, &sqlite3_finalize);
    Row row;
    while (raw != nullptr && sqlite3_step(raw) == SQLITE_ROW) {
        row.clear();
        for (int i = 0; i < columns; ++i) row.push_back(sqlite3_column_int64(raw, i));
    }
    return row;
}

TEST(SimModuleSamples, BenchesMatchTheSampleDatabase) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open_v2(DRAVIK_SAMPLE_DATABASE, &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::unique_ptr<sqlite3, decltype(&sqlite3_close)> db(raw, &sqlite3_close);

    for (const char* file :
         {"vrak1-direct.json", "vrak2-direct.json", "vrak2-locked.json", "aux31-through-product.json"}) {
        SCOPED_TRACE(file);
        std::string error;
        const auto bench = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + file, error);
        ASSERT_TRUE(bench) << error;
        const sim::ProductConfig& p = bench->product;
        const int version = p.identification[2] * 256 + p.identification[3];
        // info length, info address, direct, module
        const Row product = lastRow(
            db.get(),
            "SELECT * FROM Products WHERE Identification_1 = " + std::to_string(p.identification[1]) +
                " AND Ver_low <= " + std::to_string(version) + " AND Ver_high >= " + std::to_string(version),
            6);
        ASSERT_FALSE(product.empty()) << "no product row";
        EXPECT_EQ(product[5], 1) << "the product row says a module follows";
        EXPECT_EQ(product[2], bench->module.present ? 1 : 0) << "direct connection";
        EXPECT_EQ(product[0], 3);
        EXPECT_EQ(product[1], p.moduleInfoAddress);

        // speed, key 2, key 1, bytes per slot, slots per block, direct
        const Row module =
            lastRow(db.get(), "SELECT * FROM Modules WHERE SwType = " + std::to_string(p.moduleInfo[1]), 6);
        ASSERT_FALSE(module.empty()) << "no module row";
        if (bench->module.present) {
            const sim::ModuleConfig& m = bench->module;
            EXPECT_EQ(module, (Row{m.baudCode, m.unlockKeys[1], m.unlockKeys[0], m.bytesPerSlot,
                                   m.slotsPerBlock, 1}));
        }
    }
}

}  // namespace
