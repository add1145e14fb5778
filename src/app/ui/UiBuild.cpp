#include "app/ui/UiBuild.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>

#include "app/ui/AutoScrollContent.h"
#include "product/PlainText.h"

// The images are compiled into the static core library; nothing pulls them into a program unless
// something refers to them.
static void initDravikResources() { Q_INIT_RESOURCE(resources); }

namespace dravik::ui {

QFont sizedFont(double pointSize) {
    QFont f = QApplication::font();
    f.setPointSizeF(pointSize);
    return f;
}

QIcon icon(const QString& name) {
    static const bool loaded = (initDravikResources(), true);
    Q_UNUSED(loaded);
    return QIcon(QStringLiteral(":/icons/%1.png").arg(name));
}

void fillBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

QFrame* tabPage(QWidget* tabs, const char* name, const QString& caption, bool silver) {
    auto* page = new QFrame(tabs);
    page->setObjectName(QString::fromLatin1(name));
    // The caption travels with the page, so a page taken out of the tab control can be put back.
    page->setWindowTitle(caption);
    if (silver) {
        fillBackground(page, kSilver);
        page->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    }
    return page;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title, const QRect& place) {
    auto* g = new QGroupBox(title, parent);
    g->setObjectName(QString::fromLatin1(name));
    g->setGeometry(place);
    return g;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& place,
                    bool enabled) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(place);
    b->setEnabled(enabled);
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QPoint& pos) {
    auto* l = newPlainLabel(parent, text);
    l->setObjectName(QString::fromLatin1(name));
    l->adjustSize();
    l->move(pos);
    return l;
}

QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QPoint& pos) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    c->adjustSize();
    c->move(pos);
    return c;
}

QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items, const QRect& place) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    c->setGeometry(place);
    return c;
}

QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(place);
    return e;
}

QProgressBar* progressBar(QWidget* parent, const char* name, const QRect& place) {
    auto* p = new QProgressBar(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->setGeometry(place);
    p->setRange(0, 100);
    p->setValue(0);
    p->setTextVisible(false);
    return p;
}

QLabel* progressLabel(QWidget* parent, const char* name, const QString& text, const QRect& barPlace) {
    auto* l = newPlainLabel(parent, text);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(barPlace);
    l->setAlignment(Qt::AlignCenter);
    l->setAttribute(Qt::WA_TransparentForMouseEvents);
    l->setAutoFillBackground(false);
    l->hide();
    l->raise();
    return l;
}

QScrollArea* scrollPanel(QWidget* parent, const char* name, const QRect& place, QWidget** content) {
    auto* area = new QScrollArea(parent);
    area->setObjectName(QString::fromLatin1(name));
    area->setGeometry(place);
    area->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    area->setFont(sizedFont(9.0));
    fillBackground(area->viewport(), kSnow);
    auto* inner = new AutoScrollContent(area);
    inner->setObjectName(QString::fromLatin1(name) + QStringLiteral("Content"));
    fillBackground(inner, kSnow);
    *content = inner;
    return area;
}

}  // namespace dravik::ui
