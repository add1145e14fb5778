#include "app/DownloadViewUi.h"

#include <QCheckBox>
#include <QFrame>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/TabPages.h"
#include "app/ui/Looks.h"
#include "app/ui/UiBuild.h"

namespace dravik {

namespace {

// Menu bar (24) and toolbar (25) sit above the central widget; controls of the window are given in
// client-area coordinates and moved up by that much.
constexpr int kCentralTop = 24 + 25;
// Developer-layout client area; the standard layout narrows it (TabPages).
constexpr QSize kClientSize = kDeveloperClientSize;

QRect client(int x, int y, int w, int h) { return {x, y - kCentralTop, w, h}; }

void setupLogColumn(DownloadViewUi& ui) {
    QWidget* c = ui.centralWidget;
    ui.statusBox_car = new QPlainTextEdit(c);
    ui.statusBox_car->setObjectName(QStringLiteral("statusBox_car"));
    ui.statusBox_car->setGeometry(client(901, 51, 288, 424));
    ui.statusBox_car->setReadOnly(true);
    ui.statusBox_car->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui.statusBox_car->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.statusBox_car->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(8.25);
    ui.statusBox_car->setFont(arial);
    QPalette p = ui.statusBox_car->palette();
    p.setColor(QPalette::Base, ui::kSnow);
    ui.statusBox_car->setPalette(p);

    ui.checkBoxAutoConn =
        ui::checkBox(c, "checkBoxAutoConn", QStringLiteral("Auto conn"), {897, 485 - kCentralTop});
    ui.checkBoxAutoConn->setChecked(true);
    ui.buttonLogClear = ui::button(c, "buttonLogClear", QStringLiteral("Clear"), client(1130, 481, 46, 23));
    ui.buttonStopProcess =
        ui::button(c, "buttonStopProcess", QStringLiteral("Stop process"), client(897, 517, 92, 22));
}

}  // namespace

void setTextColour(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}

void DownloadViewUi::setupUi(QMainWindow* w) {
    w->setPalette(ui::windowPalette());
    w->setFont(ui::sizedFont(8.25));
    w->setWindowIcon(ui::icon(QStringLiteral("dravik")));
    w->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                      Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    w->setObjectName(QStringLiteral("DownloadView"));
    w->setAttribute(Qt::WA_AlwaysShowToolTips);
    w->setContextMenuPolicy(Qt::NoContextMenu);

    ui::setupMenus(*this, w);
    ui::setupToolbar(*this, w);
    ui::setupStatusBar(*this, w);

    centralWidget = new QWidget(w);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    w->setCentralWidget(centralWidget);

    line_Separator = new QFrame(centralWidget);
    line_Separator->setObjectName(QStringLiteral("line_Separator"));
    line_Separator->setGeometry(client(-1, 50, 894, 3));
    ui::fillBackground(line_Separator, Qt::red);

    tabControl1 = new QTabWidget(centralWidget);
    tabControl1->setObjectName(QStringLiteral("tabControl1"));
    tabControl1->setGeometry(client(1, 55, 894, 578));
    ui::setupCarProgrammerPage(*this);
    ui::setupTestPage(*this);
    ui::setupInterfacePage(*this);
    ui::setupProtocolPage(*this);
    ui::setupEventsLogPage(*this);
    for (QFrame* page : {Car_programmer, Test, Interface_programmer, Protocol_selection, tabPage_log}) {
        tabControl1->addTab(page, page->windowTitle());
    }
    tabControl1->setCurrentIndex(0);

    setupLogColumn(*this);
    ui::keepClearOfGroupFrames(w);

    w->setFixedSize(kClientSize);
}

std::array<QCheckBox*, 8> DownloadViewUi::outputLineCheckBoxes() const {
    return {checkBox_Power,    checkBox_Key,     checkBox_Out1High, checkBox_Out1Low,
            checkBox_Out2High, checkBox_Out2Low, checkBox_PullUp1,  checkBox_PullUp2};
}

}  // namespace dravik
