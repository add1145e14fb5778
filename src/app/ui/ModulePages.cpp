// Module pages: "Protocol selection" (built but kept out of the tab control; its controls hold the
// protocol choice and the protection state) and "Events log" (shown while a logging module is
// connected).
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

#include "app/DownloadViewUi.h"
#include "app/ui/UiBuild.h"
#include "product/PlainText.h"

namespace dravik::ui {

namespace {

QListWidget* listBox(QWidget* parent, const char* name, const QRect& place) {
    auto* l = new QListWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(place);
    l->setFont(sizedFont(9.75));
    l->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    l->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return l;
}

// Both padlocks share one place right of the protection-state label.
QLabel* padlock(QWidget* parent, const char* name, const QString& iconName, int x) {
    auto* l = newPlainLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, 10, 30, 30);
    l->setPixmap(icon(iconName).pixmap(QSize(30, 30), l->devicePixelRatioF()));
    l->hide();
    return l;
}

void protectionGroup(DownloadViewUi& ui, QWidget* page) {
    ui.groupBox_ModuleProtection =
        group(page, "groupBox_ModuleProtection", QStringLiteral("Module protection"), {531, 3, 313, 156});
    QGroupBox* g = ui.groupBox_ModuleProtection;
    ui.label_ProtectionState =
        label(g, "label_ProtectionState", QStringLiteral(" Actual protection state:"), {121, 18});
    const int padlockX = std::max(255, ui.label_ProtectionState->geometry().right() + 5);
    ui.pictureBox_padlock_lock =
        padlock(g, "pictureBox_padlock_lock", QStringLiteral("padlock_closed"), padlockX);
    ui.pictureBox_padlock_unlock =
        padlock(g, "pictureBox_padlock_unlock", QStringLiteral("padlock_open"), padlockX);
    ui.label_Password = label(g, "label_Password", QStringLiteral("Password:"), {7, 98});
    ui.textBox_modue_password = lineEdit(g, "textBox_modue_password", QString(), {84, 95, 68, 20});
    ui.textBox_modue_password->setMaxLength(6);
    ui.textBox_modue_password->setEchoMode(QLineEdit::Password);
    ui.textBox_modue_password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*'
    ui.textBox_modue_password->setToolTip(QStringLiteral("Password must contain 6 numbers"));
    ui.textBox_modue_password->setToolTipDuration(kToolTipDurationMs);
    ui.button_lock_unlock_protection = button(
        g, "button_lock_unlock_protection", QStringLiteral("lock/unlock module"), {162, 94, 134, 22}, false);
}

}  // namespace

void setupProtocolPage(DownloadViewUi& ui) {
    ui.Protocol_selection =
        tabPage(ui.tabControl1, "Protocol_selection", QStringLiteral("Protocol selection"), true);
    QWidget* page = ui.Protocol_selection;

    ui.groupBox_ProtocolSelection =
        group(page, "groupBox_ProtocolSelection", QStringLiteral("Protocol selection"), {3, 3, 332, 539});
    QGroupBox* sel = ui.groupBox_ProtocolSelection;
    ui.checkedListBox_ProtocolSelection = listBox(sel, "checkedListBox_ProtocolSelection", {6, 19, 320, 480});
    ui.button_Set_Selected_Protocols =
        button(sel, "button_Set_Selected_Protocols", QStringLiteral("Set"), {6, 509, 55, 23}, false);
    ui.button_Read_All_Protocols =
        button(sel, "button_Read_All_Protocols", QStringLiteral("Read"), {273, 509, 53, 23}, false);

    ui.groupBox_SelectDeselect =
        group(page, "groupBox_SelectDeselect", QStringLiteral("Select / deselect group"), {344, 3, 181, 539});
    QGroupBox* grp = ui.groupBox_SelectDeselect;
    ui.checkBox_AllGroup = checkBox(grp, "checkBox_AllGroup", QStringLiteral("select/deselect all"), {6, 16});
    ui.checkBox_AllGroup->resize(169, 40);
    ui.listBox_selectDeselect_group = listBox(grp, "listBox_selectDeselect_group", {6, 62, 169, 436});
    ui.listBox_selectDeselect_group->setSortingEnabled(true);
    ui.listBox_selectDeselect_group->setSelectionMode(QAbstractItemView::MultiSelection);

    protectionGroup(ui, page);

    const QRect bar{531, 521, 325, 20};
    ui.progressBar_protocol = progressBar(page, "progressBar_protocol", bar);
    ui.label_progressBar_protocol =
        progressLabel(page, "label_progressBar_protocol", QStringLiteral("Start"), bar);
    ui.label_progressBar_protocol->show();
}

void setupEventsLogPage(DownloadViewUi& ui) {
    ui.tabPage_log = tabPage(ui.tabControl1, "tabPage_log", QStringLiteral("Events log"), true);
    QWidget* page = ui.tabPage_log;
    ui.groupBox_Events = group(page, "groupBox_Events", QStringLiteral("Events"), {3, 3, 517, 539});
    QGroupBox* g = ui.groupBox_Events;
    ui.TextBox_log = new QPlainTextEdit(g);
    ui.TextBox_log->setObjectName(QStringLiteral("TextBox_log"));
    ui.TextBox_log->setGeometry(6, 19, 505, 477);
    ui.TextBox_log->setFont(sizedFont(9.75));
    ui.TextBox_log->setLineWrapMode(QPlainTextEdit::NoWrap);
    ui.TextBox_log->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.TextBox_log->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ui.button_reset_log = button(g, "button_reset_log", QStringLiteral("Reset"), {6, 509, 55, 23}, false);
    ui.button_read_log = button(g, "button_read_log", QStringLiteral("Read"), {445, 509, 66, 23}, false);

    const QRect bar{531, 512, 280, 20};
    ui.progressBar_log = progressBar(page, "progressBar_log", bar);
    // The log's progress text sits under its bar.
    ui.label_progressBar_log = progressLabel(page, "label_progressBar_log", QString(), bar);
    ui.label_progressBar_log->setGeometry(bar.x(), 537, bar.width(),
                                          ui.label_progressBar_log->fontMetrics().height());
    ui.label_progressBar_log->show();
}

}  // namespace dravik::ui
