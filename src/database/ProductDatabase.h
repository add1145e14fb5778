#pragma once
// Read access to the product database "VuzUvazuzuvar.db" in the main data folder. Every call opens
// the database, runs its statements and closes it again; nothing is kept between calls.
//
// A database that cannot be opened or a statement that cannot be prepared is fatal: the injected
// handler is told why (path and SQLite's message) and is expected to end the program. Should the
// handler return, the call returns an empty result without touching an invalid handle.
//
// Rows whose values would overflow the program's buffers are refused: product and module rows
// with a message to the warning handler, function rows by a reason in the returned row.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "database/FunctionParameters.h"
#include "database/ProductState.h"

namespace dravik {

class DatabaseConnection;

using FatalHandler = std::function<void(const QString& message)>;
using WarnHandler = std::function<void(const QString& message)>;

inline constexpr const char* kProductDatabaseFileName = "VuzUvazuzuvar.db";

// The memory location of a function: one Parameters_Addr row.
struct FunctionLocation {
    std::int32_t textLength = 0;  // maximum characters of the text box; 0 = no limit
    std::uint16_t ValMin = 0;
    std::uint16_t ValMax = 0;
    std::uint16_t length = 0;  // bytes of the value
    std::uint32_t mask = 0;
    std::uint16_t address = 0;
    std::uint16_t func_id = 0;  // E_FUNCTION_KIND
    std::uint16_t func_parameter_id = 0;
};

// One row of the function panel: one Fnc_Name row of an enabled function.
struct FunctionRow {
    std::int32_t nameKey = 0;      // function name key n (also numbers the row on the screen)
    std::int32_t functionKey = 0;  // Programmer_Quillomark key
    QString name;                  // in the current language
    QString description;           // tool tip, in the current language
    // The last Parameters_Addr row of the function; absent when it has none.
    std::optional<FunctionLocation> location;
    // Items of every Parameters_Addr row in row order; empty when the row is unusable.
    std::vector<function_parameters> items;
    // Why the row cannot be read or written; empty when it can.
    QString unusableReason;

    bool usable() const { return unusableReason.isEmpty(); }
};

struct ProductFunctions {
    std::int32_t baseNameKey = 0;  // name key of the first enabled function (base of the numbering)
    std::vector<FunctionRow> rows;
};

// The module parameter words an item group is built against.
struct ModuleParameterWords {
    std::uint32_t A = 0;
    std::uint32_t B_C = 0;
};

// Column 5 of a Modules_Parameters_B_C row: a working slot listed from the database.
struct ModuleSlotSource {
    QByteArray text;          // raw stored bytes
    std::uint8_t number = 0;  // the same column read as an integer (its leading number)
};

class ProductDatabase {
  public:
    // Limits of what the panel and the transfer machine can hold.
    static constexpr int kMaxFunctionRows = 255;
    static constexpr int kMaxTextOrActionItems = 255;
    static constexpr int kMaxRangeItems = 1001;
    static constexpr int kMaxListValueBytes = 4;
    static constexpr int kMaxTextValueBytes = 10;
    static constexpr int kMaxModuleInfoLength = 3;
    static constexpr int kMinBytesPerSlot = 32;
    static constexpr int kMaxBytesPerSlot = 16 * 256;  // the last line index must fit 8 bits
    static constexpr int kMaxImageBytes = 15000;       // the protocol image buffer

    // languageType is the program's Language_type; a value outside 1..3 is set to 1 by the first
    // text read.
    ProductDatabase(QString mainDirectory, int& languageType, FatalHandler onFatal, WarnHandler onWarn = {});

    QString path() const;
    // Changes whenever the file's content may have changed: size, times, and SQLite's header,
    // whose change counter moves with every committed write (a write within the file system's
    // time granularity included). Empty when there is no such regular file.
    QByteArray contentStamp() const;

    // Products rows for the identification byte whose version range holds verSubver. Every
    // accepted row sets Prd_connected = 1 and the product fields; the last row's values remain.
    // Returns whether a row was accepted.
    bool findProduct(std::uint8_t id1, std::uint32_t verSubver, ProductState& product);

    // Modules rows for the software type; every accepted row sets Mod_connected = 1 and the module
    // fields (Mod_LinesPerSlot derived); the last row's values remain.
    bool findModule(std::uint8_t swType, ModuleState& module);

    // The function panel of a product, in screen order.
    ProductFunctions loadFunctions(std::uint32_t productKey);

    // Items of one module parameter group (rows with this Mask). actual_value is the A word for the
    // A group, else the B/C word AND the row's mask; valueToWrite is the row's value, or with
    // loaded words the loaded value taken the same way.
    std::vector<function_parameters> moduleParameterGroup(std::uint8_t moduleKey, std::uint32_t groupMask,
                                                          bool groupA, ModuleParameterWords current,
                                                          std::optional<ModuleParameterWords> loaded = {});

    // Column 5 of every Modules_Parameters_B_C row of the module, in row order.
    std::vector<ModuleSlotSource> moduleSlotSources(std::uint8_t moduleKey);

    // The group's name from the last matching row; empty when there is none.
    Group groupName(std::uint16_t groupNumber);

  private:
    // 0, 1 or 2: the column offset of the current language.
    int languageIndex();
    void warn(const QString& message) const;
    struct NestedStatements;
    void loadLocations(NestedStatements& statements, FunctionRow& row);

    QString mainDirectory_;
    int& languageType_;
    FatalHandler onFatal_;
    WarnHandler onWarn_;
};

}  // namespace dravik
