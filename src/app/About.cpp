#include "app/About.h"

#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/ui/Looks.h"
#include "app/ui/UiBuild.h"
#include "product/PlainText.h"

namespace dravik {

namespace {

QLabel* autoLabel(QWidget* parent, const char* name, const QString& text, const QPoint& pos) {
    auto* l = newPlainLabel(parent, text);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(ui::sizedFont(9.75));
    l->adjustSize();
    l->move(pos);
    return l;
}

// Product models the program supports, in no particular order: the list sorts them.
const char* const kProducts[] = {"Taviron ZED", "Orvela CAN-4", "Kestro A2", "Taviron",
                                 "Mirdan S7",   "Palux 120",    "Brenta X"};

}  // namespace

QString About::versionText() {
    return QStringLiteral("%1.%2.%3")
        .arg(DRAVIK_VERSION_MAJOR)
        .arg(DRAVIK_VERSION_MINOR)
        .arg(DRAVIK_VERSION_PATCH);
}

About::About(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About"));
    setWindowIcon(ui::icon(QStringLiteral("dravik")));
    setModal(true);
    setPalette(ui::windowPalette());
    setFixedSize(337, 273);
    setFont(ui::sizedFont(8.25));

    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("groupBox1"));
    group->setGeometry(12, 13, 312, 93);
    autoLabel(group, "labelName", QStringLiteral("Dravik"), {6, 13});
    labelVer = autoLabel(group, "labelVer", QStringLiteral("Ver: ") + versionText(), {6, 59});
    auto* logo = newPlainLabel(group);
    logo->setObjectName(QStringLiteral("pictureBoxLogo"));
    logo->setGeometry(110, 13, 90, 59);
    logo->setAttribute(Qt::WA_TranslucentBackground);
    logo->setPixmap(ui::icon(QStringLiteral("logo")).pixmap(QSize(90, 59), devicePixelRatioF()));

    labelProducts = autoLabel(this, "labelProducts", QStringLiteral("Supported products:"), {10, 116});
    listBoxProducts = new QListWidget(this);
    listBoxProducts->setObjectName(QStringLiteral("listBoxProducts"));
    listBoxProducts->setGeometry(13, 136, 310, 82);
    for (const char* name : kProducts) listBoxProducts->addItem(QString::fromLatin1(name));
    listBoxProducts->setSortingEnabled(true);
    listBoxProducts->sortItems();

    buttonOk = new QPushButton(QStringLiteral("OK"), this);
    buttonOk->setObjectName(QStringLiteral("buttonOk"));
    buttonOk->setGeometry(139, 234, 59, 26);
    buttonOk->setDefault(true);
    connect(buttonOk, &QPushButton::clicked, this, &About::buttonOk_Click);
    ui::keepClearOfGroupFrames(this);
}

void About::reject() {
    // Escape and the window manager's close request land here; only OK closes the dialog.
}

void About::buttonOk_Click() { accept(); }

}  // namespace dravik
