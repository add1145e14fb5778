// Scripts are typed by technicians: any text parses to commands or to one error with its line.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "script/ScriptParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const dravik::ScriptParseResult r = dravik::parseScript(text);
    if (!r.ok() && r.errorLine <= 0) __builtin_trap();
    return 0;
}
