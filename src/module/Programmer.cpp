#include "module/Programmer.h"

#include <algorithm>

namespace dravik {

namespace {
// The path held in a zero-filled byte field as UTF-8: the bytes up to the first zero.
QString pathField(const std::uint8_t* bytes, std::size_t size) {
    const std::size_t n = static_cast<std::size_t>(std::find(bytes, bytes + size, 0) - bytes);
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(n));
}
}  // namespace

Programmer Programmer::fromSlot(const Slot_T& slot) {
    Programmer p;
    // The name is always 14 characters: a zero byte shows as a blank.
    QByteArray name(reinterpret_cast<const char*>(slot.name.data()),
                    static_cast<qsizetype>(slot.name.size()));
    name.replace('\0', ' ');
    p.Decode_description = QString::fromLatin1(name);
    if (slot.file_marker != 0) p.filename = pathField(slot.file_path.data(), slot.file_path.size());
    p.Decode_number = slot.slot_number;
    p.Decode_revision = slot.revision;
    p.Decode_version = slot.version;
    p.Decode_type = slot.decoder_type;
    p.Mod_type = slot.module_type;
    p.Mod_version = slot.module_version;
    p.Decode_group = slot.group;
    p.Slot_mem1 = slot.slot_mem[0];
    p.Slot_mem2 = slot.slot_mem[1];
    p.Slot_mem3 = slot.slot_mem[2];
    p.Slot_mem4 = slot.slot_mem[3];
    return p;
}

QString Programmer::toString() const {
    QString s;
    if (Decode_type < 10) s += QLatin1Char('0');
    s += QString::number(Decode_type) + QStringLiteral("  ") +
         QChar(QLatin1Char(static_cast<char>(Decode_revision))) + QStringLiteral("  ") + Decode_description +
         QStringLiteral("  ver. ") + QString::number(Decode_version) + QLatin1Char(' ');
    if (!filename.isEmpty()) s += QLatin1Char('*');
    return s;
}

}  // namespace dravik
