#include "app/SessionReport.h"

#include <QColor>
#include <QComboBox>

#include "module/ModulePanel.h"
#include "module/Programmer.h"
#include "product/ProductPanel.h"

namespace dravik {

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString dec(unsigned value) { return QString::number(value); }

bool isRed(const QColor& colour) { return colour == QColor(Qt::red); }

// What a row shows: the selected item of a list, the text of a text row; a list whose value
// matched no item shows why.
QString shownValue(ProductPanel& panel, int index) {
    ProductPanel::Row& row = panel.row(index);
    if (!row.unusableReason.isEmpty()) return QStringLiteral("not used: ") + row.unusableReason;
    if (isListKind(row.kind())) {
        const int selected = panel.selectedIndex(index);
        if (selected >= 0 && static_cast<std::size_t>(selected) < row.items.size())
            return row.items[static_cast<std::size_t>(selected)].name;
        return row.known ? QString::fromLatin1(ProductPanel::kUnexpectedValue) : QString();
    }
    if (isTextKind(row.kind())) return panel.text(index);
    return {};
}

}  // namespace

void SessionReport::productFound() {
    const ProductState& p = s_.prd;
    const Identity found{p.Prd_Id1, p.Prd_Version, p.Prd_Subversion, p.Prd_Name};
    if (started_ && found == identity_) return;
    started_ = true;
    identity_ = found;
    start_ = s_.now();
    product_ = p;
    hasModule_ = false;
    module_ = {};
    baselineTaken_ = false;
    baseline_.clear();
    entries_.clear();
    keptRows_.clear();
}

void SessionReport::moduleFound() {
    if (!started_) return;
    hasModule_ = true;
    module_ = s_.mod;
}

// The first complete read of the session is what the product held when it was connected; later
// reads (a language change builds the panel again) keep it.
void SessionReport::parametersRead(bool atConnection) {
    (void)atConnection;
    if (!started_ || !s_.productPanel) return;
    ProductPanel& panel = s_.productPanel();
    if (!baselineTaken_) {
        baselineTaken_ = true;
        baseline_.clear();
        for (int i = 0; i < panel.rowCount(); ++i) {
            ProductPanel::Row& row = panel.row(i);
            Baseline b;
            b.known = row.known;
            if (isListKind(row.kind())) b.item = panel.selectedIndex(i);
            if (isTextKind(row.kind())) b.text = panel.text(i);
            baseline_.push_back(b);
        }
    }
    keepRows(panel);
}

void SessionReport::operationEnded(const OperationOutcome& outcome) {
    if (!started_) return;
    entries_.push_back({s_.now(), outcome});
    if (s_.productPanel) keepRows(s_.productPanel());
}

// "Power off" empties the panel: the report then shows the rows as the last operation left them.
void SessionReport::keepRows(ProductPanel& panel) {
    if (panel.rowCount() == 0) return;
    keptRows_.clear();
    addFunctionRows(keptRows_, panel);
}

ReportContent SessionReport::content(ProductPanel& panel, ModulePanel& modulePanel, const QString& program) {
    ReportContent r;
    r.title = product_.Prd_Name;
    r.created = s_.now().toString(kTimeFormat);
    r.program = program;
    r.sessionStart = start_.toString(kTimeFormat);
    const ConnectionState& cs = s_.cs;
    r.adapter = {{QStringLiteral("Identification"),
                  cs.Interface_Id.isEmpty() ? QStringLiteral("not identified") : cs.Interface_Id},
                 {QStringLiteral("Firmware version"),
                  cs.Interface_Id.isEmpty()
                      ? QString()
                      : dec(cs.Interface_Version) + QLatin1Char('.') + dec(cs.Interface_Subversion)}};
    r.product = {{QStringLiteral("Name"), product_.Prd_Name},
                 {QStringLiteral("Identification"), dec(product_.Prd_Id1)},
                 {QStringLiteral("Version"), dec(product_.Prd_Version)},
                 {QStringLiteral("Sub-version"), dec(product_.Prd_Subversion)}};
    if (hasModule_) addModule(r, modulePanel);
    if (panel.rowCount() > 0) {
        addFunctionRows(r.rows, panel);
    } else {
        r.rows = keptRows_;
    }
    for (const Entry& e : entries_)
        r.operations.push_back(
            {e.at.toString(QStringLiteral("HH:mm:ss")), e.outcome.operation, e.outcome.ok, e.outcome.detail});
    return r;
}

// The module's protection is what it last reported; only a module that reports its slots
// configuration on the cable tells it. The password is never part of the report.
void SessionReport::addModule(ReportContent& r, ModulePanel& modulePanel) const {
    const ModuleState& m = module_;
    QString protection = QStringLiteral("not reported by this module");
    if (m.Mod_SoftwareType == kModuleA2 && s_.st.Mdl_VRAK_Slots_Protection <= 1)
        protection =
            s_.st.Mdl_VRAK_Slots_Protection == 1 ? QStringLiteral("locked") : QStringLiteral("unlocked");
    r.module = {{QStringLiteral("Name"), m.Mod_Name},
                {QStringLiteral("Type"), QString::number(m.Mod_SoftwareType, 16).toUpper()},
                {QStringLiteral("Hardware version"), dec(m.Mod_HardwareVersion)},
                {QStringLiteral("Firmware version"), dec(m.Mod_SoftwareVersion)},
                {QStringLiteral("Protection"), protection}};
    const int combos = modulePanel.count();
    int first = 0;
    if (isSlotModule(m.Mod_SoftwareType) && combos > 0) {
        QComboBox* protocols = modulePanel.combo(0);
        r.module.emplace_back(QStringLiteral("Working protocol"), protocols->currentText().trimmed());
        for (int i = 0; i < protocols->count(); ++i) {
            const Programmer p = protocols->itemData(i).value<Programmer>();
            if (p.filename.isEmpty()) r.moduleProtocols.append(protocols->itemText(i).trimmed());
        }
        first = 1;
    }
    QStringList settings;
    for (int i = first; i < combos; ++i)
        if (QComboBox* c = modulePanel.combo(i); c != nullptr && !c->currentText().isEmpty())
            settings.append(c->currentText().trimmed());
    if (!settings.isEmpty())
        r.module.emplace_back(QStringLiteral("Protocol settings"), settings.join(QStringLiteral(", ")));
}

// Changed means the row now shows another value than it did at connection. Red is a value the
// product has not confirmed: chosen and not written, or written and read back otherwise.
void SessionReport::addFunctionRows(std::vector<ReportContent::Row>& rows, ProductPanel& panel) const {
    for (int i = 0; i < panel.rowCount(); ++i) {
        ProductPanel::Row& row = panel.row(i);
        ReportContent::Row out;
        out.name = panel.caption(i);
        out.now = shownValue(panel, i);
        const bool list = isListKind(row.kind());
        bool changed = false;
        if (static_cast<std::size_t>(i) < baseline_.size()) {
            const Baseline& b = baseline_[static_cast<std::size_t>(i)];
            if (list) {
                out.atConnection =
                    b.item >= 0 && static_cast<std::size_t>(b.item) < row.items.size()
                        ? row.items[static_cast<std::size_t>(b.item)].name
                        : (b.known ? QString::fromLatin1(ProductPanel::kUnexpectedValue) : QString());
                changed = panel.selectedIndex(i) != b.item;
            } else if (isTextKind(row.kind())) {
                out.atConnection = b.text;
                changed = out.now != b.text;
            }
        }
        const bool red =
            list ? isRed(panel.listColour(i)) : isTextKind(row.kind()) && isRed(panel.textColour(i));
        if (red || (changed && list && !row.known)) {
            out.state = ReportContent::Row::State::Unconfirmed;
        } else if (changed) {
            out.state = ReportContent::Row::State::Confirmed;
        }
        rows.push_back(out);
    }
}

}  // namespace dravik
