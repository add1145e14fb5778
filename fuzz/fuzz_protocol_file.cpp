// Protocol files come from anywhere: any bytes must give table entries within the table and an
// image within its buffer, or a refusal, never a crash or a read outside a line.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "link/Views.h"
#include "module/ProtocolFiles.h"

namespace {
struct NullLog : dravik::LogView {
    void appendLog(const QString&) override {}
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QTemporaryDir dir;
    static auto tables = std::make_unique<dravik::SlotTables>();
    const QString path = QDir(dir.path()).filePath(QStringLiteral("p.txt"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    NullLog log;
    // The first byte chooses how full the table already is.
    const auto working = static_cast<std::uint8_t>(size > 0 ? data[0] % (dravik::kSlotsTableSize + 1) : 0);
    const int loaded = dravik::LoadExtProtocols(dir.path(), {working, working, 0xA1}, *tables, log);
    if (loaded < 0 || (loaded > 0 && working + loaded > dravik::kSlotsTableUsable)) __builtin_trap();
    const dravik::ProtocolImage image = dravik::readProtocolImage(path, *tables);
    if (image.ok && (image.bytes < 0 || image.bytes > dravik::kDataToSendSize)) __builtin_trap();
    if (!image.ok && image.error.isEmpty()) __builtin_trap();
    return 0;
}
