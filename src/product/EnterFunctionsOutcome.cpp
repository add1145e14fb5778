// The end of a function operation as the vehicle report keeps it: what was written, and whether
// the read-back that ends every write found it in the product.

#include <QColor>

#include "product/EnterFunctions.h"

namespace dravik {

namespace {

QString operationName(std::uint8_t op) {
    switch (op) {
        case OP_BUILD_AND_READ:
            return QStringLiteral("Parameters read at connection");
        case OP_READ:
            return QStringLiteral("Parameters read");
        case OP_SET:
            return QStringLiteral("Parameters written");
        case OP_SET_ONE:
            return QStringLiteral("Function written");
        case OP_DEFAULTS:
            return QStringLiteral("Default settings restored");
        default:
            return QStringLiteral("Product operation");
    }
}

const QString kArrow = QStringLiteral(" \u2192 ");

}  // namespace

QString EnterFunctions::heldItemName(const std::vector<function_parameters>& items) {
    QString name = QString::fromLatin1(ProductPanel::kUnexpectedValue);
    for (const function_parameters& it : items)
        if (it.value == (it.mask & it.actual_value)) name = it.name;
    return name;
}

// One line per row written: its name, the value before and the value sent, and what the
// read-back found.
QString EnterFunctions::writtenRows(bool checkReadBack, bool* allConfirmed) {
    QStringList lines;
    for (const WrittenRow& w : written_) {
        if (w.row >= panel_.rowCount()) continue;
        ProductPanel::Row& row = panel_.row(w.row);
        if (w.item < 0 || static_cast<std::size_t>(w.item) >= row.items.size()) continue;
        QString line = panel_.caption(w.row) + QStringLiteral(": ") + w.before + kArrow +
                       row.items[static_cast<std::size_t>(w.item)].name;
        const bool confirmed = checkReadBack && row.known && panel_.selectedIndex(w.row) == w.item;
        if (confirmed) {
            line += QStringLiteral(", confirmed by read-back");
        } else {
            if (allConfirmed != nullptr) *allConfirmed = false;
            line += checkReadBack && row.known
                        ? QStringLiteral(", NOT confirmed: the product holds ") + heldItemName(row.items)
                        : QStringLiteral(", NOT confirmed");
        }
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

QString EnterFunctions::singleWrite() {
    const int index = d_.fs.Function_index;
    if (index >= panel_.rowCount()) return {};
    ProductPanel::Row& row = panel_.row(index);
    if (row.kind() == FN_ACTION) return panel_.caption(index) + QStringLiteral(": sent");
    const bool confirmed = panel_.textColour(index) == QColor(Qt::black);
    return panel_.caption(index) + QStringLiteral(": ") + panel_.text(index) +
           (confirmed ? QStringLiteral(", confirmed by read-back") : QStringLiteral(", NOT confirmed"));
}

void EnterFunctions::journalEnd(bool ok, const QString& why) {
    const std::uint8_t op = d_.prd.Fnc_OperationToDo;
    if (ok && (op == OP_BUILD_AND_READ || op == OP_READ)) {
        d_.journal.parametersRead(op == OP_BUILD_AND_READ);
        if (op == OP_BUILD_AND_READ) return;
    }
    OperationOutcome outcome{operationName(op), ok, QString()};
    QStringList detail;
    if (!ok) detail.append(why);
    if (op == OP_SET) {
        const QString rows = writtenRows(ok, &outcome.ok);
        if (!rows.isEmpty())
            detail.append(rows);
        else if (ok)
            detail.append(QStringLiteral("no value differed from the product's: nothing written"));
    } else if (op == OP_SET_ONE && ok) {
        detail.append(singleWrite());
        if (detail.back().endsWith(QStringLiteral("NOT confirmed"))) outcome.ok = false;
    }
    outcome.detail = detail.join(QLatin1Char('\n'));
    d_.journal.operationEnded(outcome);
    written_.clear();
}

void EnterFunctions::journalUnfinished() {
    if (written_.empty()) return;
    const QString rows = writtenRows(false, nullptr);
    d_.journal.operationEnded(
        {operationName(OP_SET), false, QStringLiteral("stopped before its end\n") + rows});
    written_.clear();
}

}  // namespace dravik
