// Backup files come from technicians' folders and mail: any bytes give a document or one refusal
// with its reason, and whatever is accepted is written and read back to the same records.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "config/ConfigReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const dravik::ConfigReadResult r = dravik::readConfigDocument(bytes);
    if (!r.ok()) {
        if (r.error->describe().isEmpty()) __builtin_trap();
        return 0;
    }
    const dravik::ConfigReadResult again = dravik::readConfigDocument(dravik::writeConfigDocument(r.doc));
    if (!again.ok() || again.doc.elements.size() != r.doc.elements.size() ||
        again.doc.root.Product_id != r.doc.root.Product_id)
        __builtin_trap();
    return 0;
}
