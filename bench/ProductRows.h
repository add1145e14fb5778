#pragma once
// Products of many rows for the benchmarks, added to the sample database: product identification
// kFirstIdentification + i has rows[i] list rows, row r a three-value list over memory byte r mod 256
// (the sample's siren values), so a read pass makes one exchange per row.

#include <QString>
#include <string>
#include <vector>

#include "SampleDatabase.h"

namespace dravik::benchsupport {

inline constexpr int kFirstRowsIdentification = 200;

inline bool addProductsWithRows(const QString& folder, const std::vector<int>& rows) {
    std::string sql = "BEGIN TRANSACTION;";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::string key = std::to_string(1000 + i);
        const std::string id = std::to_string(kFirstRowsIdentification + static_cast<int>(i));
        sql += "INSERT INTO Products VALUES (0, 0, 0, 0x0100, 0x02FF, 0, NULL, 100, 'BENCH " + std::to_string(rows[i]) +
               " ROWS', 0, " + id + ", " + key + ");";
        for (int r = 0; r < rows[i]; ++r) {
            const std::string function = std::to_string(100000 * (static_cast<int>(i) + 1) + r);
            sql += "INSERT INTO Programmer_Quillomark VALUES (" + key + ", 1, NULL, " + std::to_string(1 + r % 9) +
                   ", " + function + ");";
            sql += "INSERT INTO Parameters_Addr VALUES (" + function + ", " + function + ", 0, 0, 0, 1, 0x03, " +
                   std::to_string(r % 256) + ", NULL, 1, 1001);";
        }
    }
    sql += "COMMIT;";
    return runOnDatabase(folder, sql.c_str());
}

}  // namespace dravik::benchsupport
