#include "config/ConfigDocument.h"

#include <QList>
#include <initializer_list>
#include <type_traits>
#include <utility>

namespace dravik {

namespace {

constexpr char16_t kPasswordKey = 0xA7;
const QString kLineEnd = QStringLiteral("\r\n");
const QString kIndent = QStringLiteral("  ");

// Characters XML 1.0 allows: tab, line feed, carriage return, U+0020..U+D7FF, U+E000..U+FFFD and
// the supplementary planes (as surrogate pairs).
bool xmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

QString escapeAttribute(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        switch (c) {
            case U'&':
                out += QStringLiteral("&amp;");
                break;
            case U'<':
                out += QStringLiteral("&lt;");
                break;
            case U'>':
                out += QStringLiteral("&gt;");
                break;
            case U'"':
                out += QStringLiteral("&quot;");
                break;
            // Line breaks and tabs in an attribute are normalised to blanks by a reader unless
            // they are written as character references.
            case U'\t':
                out += QStringLiteral("&#9;");
                break;
            case U'\n':
                out += QStringLiteral("&#10;");
                break;
            case U'\r':
                out += QStringLiteral("&#13;");
                break;
            default:
                if (xmlChar(c)) {
                    out += QString::fromUcs4(&c, 1);
                } else {
                    out += QChar(0xFFFD);
                }
        }
    }
    return out;
}

using Attribute = std::pair<const char*, QString>;

QString num(std::uint32_t v) { return QString::number(v); }

QString element(const char* name, std::initializer_list<Attribute> attributes, bool close) {
    QString line = QLatin1Char('<') + QLatin1String(name);
    for (const auto& [key, value] : attributes)
        line += QLatin1Char(' ') + QLatin1String(key) + QStringLiteral("=\"") + escapeAttribute(value) +
                QLatin1Char('"');
    line += close ? QStringLiteral(" />") : QStringLiteral(">");
    return line;
}

QString line(const ConfigRoot& r, bool close) {
    return element("VuzUvazuzuvar",
                   {{"Product", r.Product},
                    {"Product_id", num(r.Product_id)},
                    {"Version", num(r.Version)},
                    {"Sub-version", num(r.Sub_version)}},
                   close);
}

QString line(const ConfigProductParameter& p) {
    return element("Product_parameters",
                   {{"Index", QString::number(p.Index)}, {"Id", num(p.Id)}, {"Value", num(p.Value)}}, true);
}

QString line(const ConfigModuleParameters& m) {
    return element("Module_parameters",
                   {{"Module", m.Module},
                    {"Module_sw_type", num(m.Module_sw_type)},
                    {"Module_hw_version", num(m.Module_hw_version)},
                    {"Module_sw_version", num(m.Module_sw_version)},
                    {"Decode", num(m.Decode)},
                    {"Version", num(m.Version)},
                    {"Slot", num(m.Slot)},
                    {"Mdl_selected_parameter_A", num(m.Mdl_selected_parameter_A)},
                    {"Mdl_selected_max_parameter_A", num(m.Mdl_selected_max_parameter_A)},
                    {"Mdl_selected_parameter_B_C", num(m.Mdl_selected_parameter_B_C)},
                    {"Mdl_selected_max_parameter_B_C", num(m.Mdl_selected_max_parameter_B_C)},
                    {"Path", m.Path}},
                   true);
}

QString line(const ConfigSelectedSlot& s) {
    return element("Selected_slots",
                   {{"Module", s.Module},
                    {"Module_sw_type", num(s.Module_sw_type)},
                    {"Module_hw_version", num(s.Module_hw_version)},
                    {"Module_sw_version", num(s.Module_sw_version)},
                    {"Password", s.Password},
                    {"Decode", num(s.Decode)},
                    {"Version", num(s.Version)},
                    {"Slot", num(s.Slot)},
                    {"Decode_group", num(s.Decode_group)}},
                   true);
}

}  // namespace

QString EncryptData(const QString& password) {
    QString out;
    for (const QChar c : password) out += QString::number(c.unicode() ^ kPasswordKey);
    return out;
}

QByteArray writeConfigDocument(const ConfigDocument& doc) {
    QString text = QStringLiteral("<?xml version=\"1.0\"?>") + kLineEnd;
    const bool hasChildren = !doc.elements.empty();
    text += line(doc.root, !hasChildren) + kLineEnd;
    if (!hasChildren) return text.toUtf8();
    for (const ConfigElement& e : doc.elements)
        text += kIndent + std::visit([](const auto& child) { return line(child); }, e) + kLineEnd;
    text += QStringLiteral("</VuzUvazuzuvar>") + kLineEnd;
    return text.toUtf8();
}

}  // namespace dravik
