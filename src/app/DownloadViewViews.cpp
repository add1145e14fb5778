// What the device logic shows, on the window's controls.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>

#include "app/DownloadView.h"
#include "app/TabPages.h"
#include "product/PlainText.h"
#include "script/ScriptRunner.h"

namespace dravik {

namespace {
QColor colourOf(Tone tone) {
    switch (tone) {
        case Tone::Green:
            return QColor(0x00, 0x80, 0x00);
        case Tone::Red:
            return QColor(0xFF, 0x00, 0x00);
        case Tone::Grey:
            return QColor(0x80, 0x80, 0x80);
        case Tone::Default:
        default:
            return QColor(0x00, 0x00, 0x00);
    }
}

void showText(QLabel* label, const QString& text, Tone tone) {
    showPlainText(label, text);
    setTextColour(label, colourOf(tone));
}

// A menu may be removed while one of its actions is still being handled: it leaves the bar at
// once and is deleted later.
void dropMenu(QPointer<QMenu>& menu) {
    if (!menu) return;
    menu->menuAction()->setVisible(false);
    if (QWidget* bar = menu->parentWidget()) bar->removeAction(menu->menuAction());
    menu->deleteLater();
    menu = nullptr;
}

void clearChildren(QWidget* container) {
    const auto children = container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) w->deleteLater();
    for (QWidget* w : children) w->setParent(nullptr);
}
}  // namespace

void DownloadView::appendLog(const QString& text) {
    if (text.isEmpty()) return;
    logText_ += text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QPlainTextEdit* box = ui_.statusBox_car;
    QScrollBar* bar = box->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(box->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(shown);
    if (atEnd) bar->setValue(bar->maximum());
    if (script_ != nullptr) script_->onLog(text);
}

Dialogs::Answer DownloadView::message(const QString& text, const QString& caption, Buttons buttons, Icon icon) {
    if (script_ != nullptr) return script_->onMessage(caption, text);
    QMessageBox box(icon == Icon::Error         ? QMessageBox::Critical
                    : icon == Icon::Information ? QMessageBox::Information
                                                : QMessageBox::Warning,
                    caption, text,
                    buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, this);
    // A message names files and database texts: shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(visibleControls(text));
    return box.exec() == QMessageBox::Cancel ? Cancel : Ok;
}

void DownloadView::setProgressText(const QString& text, bool visible) {
    showPlainText(ui_.label_progressBar_car, text);
    ui_.label_progressBar_car->setVisible(visible);
}

void DownloadView::setProgressValue(int percent) { ui_.progressBar_car->setValue(percent); }

void DownloadView::setUsbField(const QString& text, Tone tone) { showText(ui_.StatusLabel_USB_connection, text, tone); }

void DownloadView::setInterfaceField(const QString& text, Tone tone) {
    showText(ui_.StatusLabel_interface, text, tone);
}

void DownloadView::setModeField(const QString& text) { showPlainText(ui_.StatusLabel_working_mode, text); }

void DownloadView::setConnectMenusEnabled(bool enabled) {
    ui_.ToolStripMenuItem_ConnectInterface->setEnabled(enabled);
    ui_.rebootToolStripMenuItem->setEnabled(enabled);
}

void DownloadView::removeProtocolAndLogPages() { dravik::removeProtocolAndLogPages(ui_); }

void DownloadView::showEventsLogPage() { dravik::showEventsLogPage(ui_, developer_); }

void DownloadView::setReadSetAllEnabled(bool enabled) {
    ui_.buttonReadAll->setEnabled(enabled);
    ui_.buttonSetAll->setEnabled(enabled);
}

bool DownloadView::testPageSelected() const {
    return ui_.tabControl1->tabText(ui_.tabControl1->currentIndex()) == kCaptionTest;
}

void DownloadView::setProductLabel(const QString& text, Tone tone) { showText(ui_.label_Product, text, tone); }

void DownloadView::setModuleLabel(const QString& text, Tone tone) { showText(ui_.label_Module, text, tone); }

void DownloadView::addProductMenu(const QString& productName, int identification) {
    // The backup named in the title belongs to the product it was saved from or opened for.
    forgetConfigFileNameOfAnotherProduct(identification);
    if (identification != 37 && identification != 63) return;
    dropMenu(productMenu_);
    productMenu_ = menuBar()->addMenu(buttonCaption(productName));
    productMenu_->setObjectName(productName);
    if (identification == 37) {
        QAction* defaults = productMenu_->addAction(QStringLiteral("Default settings"));
        defaults->setObjectName(QStringLiteral("defaultSettingsToolStripMenuItem"));
        connect(defaults, &QAction::triggered, this,
                [this] { controller_->panelOperations().defaultSettings_Click(); });
    } else {
        QMenu* configuration = productMenu_->addMenu(QStringLiteral("Configuration"));
        configuration->setObjectName(QStringLiteral("configurationToolStripMenuItem"));
        QAction* save = configuration->addAction(QStringLiteral("Save"));
        save->setObjectName(QStringLiteral("saveConfigurationToolStripMenuItem1"));
        connect(save, &QAction::triggered, this, [this] { configuration_->SaveParameters(); });
        QAction* open = configuration->addAction(QStringLiteral("Open"));
        open->setObjectName(QStringLiteral("loadConfigurationToolStripMenuItem1"));
        connect(open, &QAction::triggered, this, [this] { configuration_->button_LoadParameters_Click(); });
    }
}

void DownloadView::addModuleMenu(const QString& moduleName) {
    dropMenu(moduleMenu_);
    moduleMenu_ = menuBar()->addMenu(buttonCaption(moduleName));
    moduleMenu_->setObjectName(moduleName);
    QMenu* protocols = moduleMenu_->addMenu(QStringLiteral("Protocols"));
    protocols->setObjectName(QStringLiteral("protocolsToolStripMenuItem"));
    QAction* reset = protocols->addAction(QStringLiteral("Reset protocol selection"));
    reset->setObjectName(QStringLiteral("resetProtocolToolStripMenuItem"));
    connect(reset, &QAction::triggered, this, [this] { controller_->module().button_ResetProtocols_Click(); });
}

void DownloadView::setFileButtonsEnabled(bool enabled) {
    ui_.toolStripButtonOpenFile->setEnabled(enabled);
    ui_.toolStripButtonSaveFile->setEnabled(enabled);
}

void DownloadView::clearForm() {
    clearChildren(ui_.panel_ProductContent);
    clearChildren(ui_.panel_ModuleContent);
    dropMenu(productMenu_);
    dropMenu(moduleMenu_);
    ui_.checkedListBox_ProtocolSelection->clear();
    ui_.listBox_selectDeselect_group->clear();
    ui_.textBox_protocolPath->clear();
}

void DownloadView::resetTools() {
    for (QPushButton* b : {ui_.button_SetProtocol, ui_.button_ReadProtocols, ui_.button_SetParameters,
                           ui_.button_ReadParameters, ui_.button_Read_All_Protocols, ui_.button_Set_Selected_Protocols,
                           ui_.button_reset_log, ui_.button_read_log, ui_.button_lock_unlock_protection})
        b->setEnabled(false);
}

void DownloadView::resetTestPage() {
    ui_.ComboBox_Baudrate->setCurrentIndex(0);
    ui_.textBox_Dest_address->setText(QStringLiteral("0"));
    ui_.textBox_Sys_type->setText(QStringLiteral("1"));
    for (QCheckBox* box : ui_.outputLineCheckBoxes()) box->setChecked(false);
}

}  // namespace dravik
