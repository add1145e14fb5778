#include "product/ProductPanel.h"

#include <QComboBox>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalBlocker>
#include <QWidget>
#include <algorithm>

#include "product/PlainText.h"

namespace dravik {

namespace {

constexpr int kLabelX = 20;
constexpr int kValueX = 280;
constexpr int kRightEdge = 488;  // the panel's inner width, less room for its scroll bar
constexpr int kGap = 6;
constexpr double kMinButtonPoints = 6.5;
constexpr std::int32_t kContinuedKeys = 300;  // keys from 300 continue the numbering after 29
constexpr std::int32_t kContinuedOffset = 270;

void showControl(QWidget* w, bool on) {
    w->setVisible(on);
    w->setEnabled(on);
}

// A text box holds its longest value and a little more; the rest of the row goes to its button.
int textBoxWidth(const QLineEdit* text) {
    constexpr int kDefault = 100;
    const int length = text->maxLength();
    if (length <= 0 || length >= 32767) return kDefault;
    const int wanted = QFontMetrics(text->font()).horizontalAdvance(QString(length + 1, u'0')) + 12;
    return std::clamp(wanted, 50, kDefault);
}

bool captionFits(const QPushButton* button, const QFont& font) {
    return QFontMetrics(font).horizontalAdvance(button->text()) <= button->width() - 12;
}

// Every shown button gets the room of its row right of the value column (all of it when the row
// has no text box), and all take one font size: the panel's, or the largest smaller size at which
// every caption fits. The full name is also each button's tool tip (given when the row is built).
void fitButtons(const std::vector<ProductPanel::Row>& rows) {
    std::vector<QPushButton*> shown;
    for (const ProductPanel::Row& row : rows) {
        if (row.button->isHidden()) continue;
        const int x = row.text->isHidden() ? kValueX : kValueX + textBoxWidth(row.text) + kGap;
        if (!row.text->isHidden()) row.text->resize(textBoxWidth(row.text), row.text->height());
        row.button->setGeometry(x, row.button->y(), kRightEdge - x, row.button->height());
        shown.push_back(row.button);
    }
    if (shown.empty()) return;
    QFont font = shown.front()->font();
    const auto allFit = [&] {
        return std::all_of(shown.begin(), shown.end(),
                           [&](const QPushButton* b) { return captionFits(b, font); });
    };
    while (!allFit() && font.pointSizeF() - 0.5 >= kMinButtonPoints)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    for (QPushButton* b : shown) b->setFont(font);
}

QString objectName(const char* kind, int rowNumber) {
    return QStringLiteral("%1_Function_%2").arg(QLatin1String(kind)).arg(rowNumber);
}

}  // namespace

QString ProductPanel::rowPrefix(std::int32_t nameKey, std::int32_t baseNameKey) {
    // Keys span the whole 32-bit range: the difference is taken in 64 bits.
    const std::int64_t m = nameKey >= kContinuedKeys ? std::int64_t{nameKey} - kContinuedOffset : nameKey;
    const std::int64_t number = m - baseNameKey + 1;
    return (number < 10 ? QStringLiteral("0") : QString()) + QString::number(number) + QStringLiteral(" - ");
}

void ProductPanel::clear(QWidget* container) {
    for (Row& r : rows_) {
        delete r.label.data();
        delete r.combo.data();
        delete r.button.data();
        delete r.text.data();
    }
    rows_.clear();
    if (container == nullptr) return;
    const auto children = container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) delete w;
}

void ProductPanel::build(QWidget* container, const ProductFunctions& functions) {
    beginBuild(container);
    buildRows(container, functions, static_cast<int>(functions.rows.size()));
}

void ProductPanel::beginBuild(QWidget* container) { clear(container); }

bool ProductPanel::buildRows(QWidget* container, const ProductFunctions& functions, int count) {
    prune();  // the window may have cleared the container between two slices: start again
    const std::size_t end =
        std::min(functions.rows.size(), rows_.size() + static_cast<std::size_t>(std::max(count, 0)));
    rows_.reserve(functions.rows.size());
    for (std::size_t next = rows_.size(); next < end; ++next) {
        const FunctionRow& f = functions.rows[next];
        const int r = static_cast<int>(rows_.size());
        const int y = kTop + kRowPitch * r;
        Row row;
        row.name = f.name;
        row.unusableReason = f.unusableReason;
        row.items = f.items;
        row.combo = new QComboBox(container);
        row.button = new QPushButton(container);
        row.text = new QLineEdit(container);
        row.label = newPlainLabel(container);
        row.label->setObjectName(objectName("label", r + 1));
        row.combo->setObjectName(objectName("comboBox", r + 1));
        row.button->setObjectName(objectName("button", r + 1));
        row.text->setObjectName(objectName("textBox", r + 1));

        row.label->setGeometry(kLabelX, y, kValueX - kLabelX - kGap, 21);
        showPlainText(row.label, rowPrefix(f.nameKey, functions.baseNameKey) + f.name);
        row.label->setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
        row.label->setToolTip(plainToolTip(f.description));
        // Controls added to a panel already on screen stay hidden until shown.
        row.label->show();
        row.button->setGeometry(kValueX, y, kRightEdge - kValueX, 23);
        row.button->setText(buttonCaption(f.name));
        row.button->setToolTip(plainToolTip(f.name));
        row.text->setGeometry(kValueX, y, 100, 20);
        row.combo->setGeometry(kValueX, y, kRightEdge - kValueX, 21);
        if (f.location && f.location->textLength > 0) row.text->setMaxLength(f.location->textLength);

        if (!f.usable() || row.items.empty()) {
            // Nothing of this function is read or written; the reason goes to the log.
            showControl(row.combo, false);
            showControl(row.button, false);
            row.text->setText(QStringLiteral("Not available"));
            row.text->setToolTip(plainToolTip(f.unusableReason));
            row.text->setVisible(true);
            row.text->setEnabled(false);
            row.items.clear();
        } else {
            for (const function_parameters& item : row.items) row.combo->addItem(item.toString());
            row.combo->setCurrentIndex(-1);
            row.combo->setPlaceholderText(QString());
            switch (row.kind()) {
                case FN_LIST:
                case FN_RANGE:
                    showControl(row.combo, true);
                    showControl(row.button, false);
                    showControl(row.text, false);
                    break;
                case FN_ACTION:
                    showControl(row.combo, false);
                    showControl(row.text, !row.text->text().isEmpty());
                    showControl(row.button, true);
                    break;
                default:
                    showControl(row.combo, false);
                    showControl(row.button, !row.button->text().isEmpty());
                    row.text->clear();
                    showControl(row.text, true);
                    break;
            }
        }
        QObject::connect(row.combo, &QComboBox::activated, row.combo, [this, r](int) {
            if (onSelectionCommitted) onSelectionCommitted(r);
        });
        QObject::connect(row.button, &QPushButton::clicked, row.button, [this, r] {
            if (onButtonClicked) onButtonClicked(r);
        });
        QObject::connect(row.text, &QLineEdit::textChanged, row.text, [this, r](const QString&) {
            if (onTextChanged) onTextChanged(r);
        });
        row.builtItems = row.items;
        rows_.push_back(std::move(row));
    }
    if (rows_.size() < functions.rows.size()) return false;
    fitButtons(rows_);
    return true;
}

namespace {
// No item selected and no placeholder. The placeholder goes first: a list that loses its
// placeholder while nothing is selected selects its first item.
void showNoValue(QComboBox* c) {
    const QSignalBlocker block(c);
    c->setPlaceholderText(QString());
    c->setCurrentIndex(-1);
}

// A palette set on a widget is dropped again, so it shows its parent's colours as when created.
void dropOwnPalette(QWidget* w) {
    if (w->testAttribute(Qt::WA_SetPalette)) w->setPalette(QPalette());
}
}  // namespace

void ProductPanel::resetValues() {
    prune();
    for (Row& r : rows_) {
        r.known = false;
        r.items = r.builtItems;
        if (r.items.empty()) continue;  // "Not available" stays
        showNoValue(r.combo);
        dropOwnPalette(r.combo);
        dropOwnPalette(r.text);
        if (!isListKind(r.kind()) && r.kind() != FN_ACTION) {
            const QSignalBlocker block(r.text.data());
            r.text->clear();
        }
    }
}

void ProductPanel::prune() {
    for (const Row& r : rows_) {
        if (r.label.isNull() || r.combo.isNull() || r.button.isNull() || r.text.isNull()) {
            clear(nullptr);
            return;
        }
    }
}

int ProductPanel::rowCount() {
    prune();
    return static_cast<int>(rows_.size());
}

int ProductPanel::selectedIndex(int index) { return row(index).combo->currentIndex(); }

void ProductPanel::select(int index, int item) {
    const QSignalBlocker block(row(index).combo.data());
    row(index).combo->setCurrentIndex(item);
}

void ProductPanel::showUnexpected(int index) {
    QComboBox* c = row(index).combo;
    const QSignalBlocker block(c);
    c->setCurrentIndex(-1);
    c->setPlaceholderText(QString::fromLatin1(kUnexpectedValue));
}

void ProductPanel::forgetValue(int index) {
    Row& r = row(index);
    r.known = false;
    if (r.items.empty()) return;
    showNoValue(r.combo);
    r.text->clear();
}

void setComboTextColour(QComboBox* combo, const QColor& colour) {
    if (combo == nullptr) return;
    QPalette p = combo->palette();
    p.setColor(QPalette::Text, colour);
    p.setColor(QPalette::ButtonText, colour);
    combo->setPalette(p);
}

void ProductPanel::setListColour(int index, const QColor& colour) { setComboTextColour(row(index).combo, colour); }

void ProductPanel::setTextColour(int index, const QColor& colour) {
    QLineEdit* t = row(index).text;
    QPalette p = t->palette();
    p.setColor(QPalette::Text, colour);
    t->setPalette(p);
}

QColor ProductPanel::listColour(int index) { return row(index).combo->palette().color(QPalette::Text); }

QColor ProductPanel::textColour(int index) { return row(index).text->palette().color(QPalette::Text); }

QString ProductPanel::text(int index) { return row(index).text->text(); }

void ProductPanel::setText(int index, const QString& text) { row(index).text->setText(text); }

QString ProductPanel::caption(int index) {
    const Row& r = row(index);
    return r.label != nullptr ? r.label->text() : r.name;
}

}  // namespace dravik
