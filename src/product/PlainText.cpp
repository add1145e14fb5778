#include "product/PlainText.h"

#include <QLabel>
#include <QTextDocument>

namespace dravik {

namespace {

bool directionMark(char16_t c) { return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069); }

bool shownAsCode(QChar c) {
    if (c == u'\t' || c == u'\n' || c == u'\r') return false;
    return c.category() == QChar::Other_Control || directionMark(c.unicode());
}

}  // namespace

QLabel* newPlainLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(visibleControls(text));
    return label;
}

void showPlainText(QLabel* label, const QString& text) {
    label->setTextFormat(Qt::PlainText);
    label->setText(visibleControls(text));
}

QString visibleControls(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (shownAsCode(c))
            out += QStringLiteral("[U+%1]")
                       .arg(static_cast<uint>(c.unicode()), 4, 16, QLatin1Char('0'))
                       .toUpper();
        else
            out += c;
    }
    return out;
}

QString buttonCaption(const QString& text) {
    return visibleControls(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString plainToolTip(const QString& text) {
    const QString shown = visibleControls(text);
    return Qt::mightBeRichText(shown) ? Qt::convertFromPlainText(shown, Qt::WhiteSpaceNormal) : shown;
}

}  // namespace dravik
