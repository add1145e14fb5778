#include "config/ConfigReader.h"

#include <QXmlStreamReader>

#include "platform/FileAccess.h"

namespace dravik {

namespace {

constexpr std::int64_t kS16Min = -32768;
constexpr std::int64_t kU16Max = 65535;

// A decimal integer: blanks, an optional sign, at most 10 digits, blanks.
std::optional<std::int64_t> parseInteger(QStringView text) {
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    const qsizetype digits = text.size() - i;
    if (digits < 1 || digits > 10) return std::nullopt;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return std::nullopt;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -value : value;
}

class Reader {
  public:
    explicit Reader(const QByteArray& bytes) : xml_(bytes) {}

    ConfigReadResult run();

  private:
    bool fail(const QString& attribute, const QString& problem) {
        error_ = ConfigReadError{xml_.lineNumber(), xml_.qualifiedName().toString(), attribute, problem};
        return false;
    }
    // Reads an attribute as a number in min..max; absent leaves out unchanged unless required.
    bool number(const char* name, std::int64_t min, std::int64_t max, bool required, std::int64_t& out);
    template <typename T>
    bool byte(const char* name, bool required, T& out) {
        std::int64_t v = out;
        if (!number(name, 0, 255, required, v)) return false;
        out = static_cast<T>(v);
        return true;
    }
    // An attribute that is written but never read back: kept when it is a byte, otherwise left at
    // 0; it never refuses the file.
    void informativeByte(const char* name, std::uint8_t& out) {
        const auto v = parseInteger(xml_.attributes().value(QLatin1String(name)));
        out = v && *v >= 0 && *v <= 255 ? static_cast<std::uint8_t>(*v) : 0;
    }
    // A 16-bit word written signed or unsigned; kept as its 16-bit pattern.
    bool word(const char* name, bool required, std::uint16_t& out) {
        std::int64_t v = out;
        if (!number(name, kS16Min, kU16Max, required, v)) return false;
        out = static_cast<std::uint16_t>(v & 0xFFFF);
        return true;
    }
    QString text(const char* name) const { return xml_.attributes().value(QLatin1String(name)).toString(); }

    bool root();
    bool productParameter();
    bool moduleParameters();
    bool selectedSlot();

    QXmlStreamReader xml_;
    ConfigDocument doc_;
    std::optional<ConfigReadError> error_;
    ConfigSelectedSlot lastSlot_;
};

bool Reader::number(const char* name, std::int64_t min, std::int64_t max, bool required, std::int64_t& out) {
    const QString key = QLatin1String(name);
    if (!xml_.attributes().hasAttribute(key)) return required ? fail(key, QStringLiteral("missing")) : true;
    const QStringView raw = xml_.attributes().value(key);
    const auto v = parseInteger(raw);
    if (!v || *v < min || *v > max) {
        return fail(key, QStringLiteral("\"%1\" is not a number from %2 to %3")
                             .arg(raw.left(40).toString())
                             .arg(min)
                             .arg(max));
    }
    out = *v;
    return true;
}

bool Reader::root() {
    if (xml_.qualifiedName() != QLatin1String("VuzUvazuzuvar"))
        return fail(QString(),
                    QStringLiteral("the document is not a configuration (root element VuzUvazuzuvar)"));
    doc_.root.Product = text("Product");
    informativeByte("Version", doc_.root.Version);
    informativeByte("Sub-version", doc_.root.Sub_version);
    return byte("Product_id", false, doc_.root.Product_id);
}

bool Reader::productParameter() {
    ConfigProductParameter p;
    std::uint8_t value = 0;
    if (!word("Id", true, p.Id) || !byte("Value", true, value)) return false;
    p.Value = value;
    doc_.elements.emplace_back(p);
    return true;
}

bool Reader::moduleParameters() {
    ConfigModuleParameters m;
    m.Module = text("Module");
    m.Path = text("Path");
    if (!byte("Module_sw_type", false, m.Module_sw_type) ||
        !byte("Module_hw_version", false, m.Module_hw_version) ||
        !byte("Module_sw_version", false, m.Module_sw_version) || !byte("Decode", false, m.Decode) ||
        !byte("Version", false, m.Version) || !byte("Slot", false, m.Slot) ||
        !word("Mdl_selected_parameter_A", false, m.Mdl_selected_parameter_A) ||
        !word("Mdl_selected_max_parameter_A", false, m.Mdl_selected_max_parameter_A) ||
        !word("Mdl_selected_parameter_B_C", false, m.Mdl_selected_parameter_B_C) ||
        !word("Mdl_selected_max_parameter_B_C", false, m.Mdl_selected_max_parameter_B_C))
        return false;
    doc_.elements.emplace_back(m);
    return true;
}

bool Reader::selectedSlot() {
    ConfigSelectedSlot s = lastSlot_;
    s.Module = text("Module");
    s.Password = text("Password");
    std::uint16_t group = s.Decode_group;
    if (!byte("Decode", false, s.Decode) || !byte("Version", false, s.Version) ||
        !byte("Slot", false, s.Slot) || !word("Decode_group", false, group))
        return false;
    s.Decode_group = static_cast<std::uint8_t>(group & 0xFF);
    lastSlot_ = s;
    doc_.elements.emplace_back(s);
    return true;
}

ConfigReadResult Reader::run() {
    bool rootSeen = false;
    int elements = 0;
    while (!error_ && !xml_.atEnd()) {
        const QXmlStreamReader::TokenType token = xml_.readNext();
        if (token == QXmlStreamReader::DTD || token == QXmlStreamReader::EntityReference) {
            fail(QString(), QStringLiteral("document type declarations and entities are not accepted"));
            break;
        }
        if (token != QXmlStreamReader::StartElement) continue;
        if (++elements > kConfigFileMaxElements) {
            fail(QString(), QStringLiteral("more than %1 elements").arg(kConfigFileMaxElements));
            break;
        }
        if (!rootSeen) {
            rootSeen = true;
            root();
            continue;
        }
        const QStringView name = xml_.qualifiedName();
        if (name == QLatin1String("Product_parameters")) {
            productParameter();
        } else if (name == QLatin1String("Module_parameters")) {
            moduleParameters();
        } else if (name == QLatin1String("Selected_slots")) {
            selectedSlot();
        }
    }
    if (!error_ && xml_.hasError())
        error_ = ConfigReadError{xml_.lineNumber(), QString(), QString(), xml_.errorString()};
    if (!error_ && !rootSeen)
        error_ = ConfigReadError{0, QString(), QString(), QStringLiteral("the file is empty")};
    ConfigReadResult result;
    result.error = error_;
    if (!error_) result.doc = std::move(doc_);
    return result;
}

}  // namespace

QString ConfigReadError::describe() const {
    QString out;
    if (line > 0) out = QStringLiteral("line %1").arg(line);
    if (!attribute.isEmpty()) out += QStringLiteral(", attribute %1 of %2").arg(attribute, element);
    return out.isEmpty() ? problem : out + QStringLiteral(": ") + problem;
}

namespace {
ConfigReadResult tooLarge() {
    ConfigReadResult r;
    r.error = ConfigReadError{0, {}, {}, QStringLiteral("the file is larger than 4 MiB")};
    return r;
}
}  // namespace

ConfigReadResult readConfigDocument(const QByteArray& bytes) {
    if (bytes.size() > kConfigFileMaxBytes) return tooLarge();
    return Reader(bytes).run();
}

ConfigReadResult readConfigFile(const QString& path) {
    ConfigReadResult r;
    const FileContent content = readRegularFile(path, kConfigFileMaxBytes);
    if (content.tooLarge) return tooLarge();
    if (!content.ok) {
        r.error = ConfigReadError{0, {}, {}, content.error};
        return r;
    }
    return readConfigDocument(content.bytes);
}

}  // namespace dravik
