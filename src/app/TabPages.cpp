#include "app/TabPages.h"

#include <QAction>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTabWidget>
#include <vector>

#include "app/DownloadViewUi.h"

namespace dravik {

namespace {

void removePage(QTabWidget* tabs, QWidget* page) {
    const int at = tabs->indexOf(page);
    if (at >= 0) tabs->removeTab(at);
}

// Leaves exactly `order` in the tab control, keeping the selected page selected.
void setPageOrder(QTabWidget* tabs, const std::vector<QWidget*>& order) {
    QWidget* current = tabs->currentWidget();
    const QSignalBlocker block(tabs);
    for (int i = 0; i < static_cast<int>(order.size()); ++i) {
        QWidget* page = order[static_cast<std::size_t>(i)];
        const int at = tabs->indexOf(page);
        if (at == i) continue;
        if (at >= 0) tabs->removeTab(at);
        tabs->insertTab(i, page, page->windowTitle());
    }
    while (tabs->count() > static_cast<int>(order.size())) tabs->removeTab(tabs->count() - 1);
    if (current != nullptr && tabs->indexOf(current) >= 0) tabs->setCurrentWidget(current);
}

void centreOnScreen(QMainWindow* window) {
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

}  // namespace

void applyInitialLayout(DownloadViewUi& ui, QMainWindow* window, bool developer) {
    removeProtocolAndLogPages(ui);
    if (developer) {
        window->setFixedSize(kDeveloperClientSize);
        window->move(-100, 0);
        return;
    }
    removePage(ui.tabControl1, ui.Test);
    for (QPushButton* b : {ui.button_SetProtocol, ui.button_ReadProtocols, ui.button_SetParameters,
                           ui.button_ReadParameters}) {
        b->hide();
    }
    window->setFixedSize(kStandardClientSize);
    centreOnScreen(window);
}

void removeProtocolAndLogPages(DownloadViewUi& ui) {
    removePage(ui.tabControl1, ui.Protocol_selection);
    removePage(ui.tabControl1, ui.tabPage_log);
}

void showEventsLogPage(DownloadViewUi& ui, bool developer) {
    std::vector<QWidget*> order{ui.Car_programmer, ui.tabPage_log, ui.Interface_programmer};
    if (developer) order.push_back(ui.Test);
    setPageOrder(ui.tabControl1, order);
}

TabRule tabRuleForCaption(const QString& caption) {
    TabRule rule;
    rule.testPage = caption == kCaptionTest;
    const bool enable = !rule.testPage && caption != kCaptionInterfaceProgrammer;
    rule.toolbarConnectEnabled = enable;
    rule.menuConnectEnabled = enable;
    rule.settingsMenuEnabled = enable;
    return rule;
}

void applyTabRule(DownloadViewUi& ui, const TabRule& rule) {
    if (rule.testPage) {
        ui.ComboBox_OperativeMode->setCurrentIndex(2);
        ui.ComboBox_ChannelGroup->setCurrentIndex(1);
        ui.ComboBox_Channel->setCurrentIndex(1);
    }
    ui.toolStripButton1->setEnabled(rule.toolbarConnectEnabled);
    ui.rebootToolStripMenuItem->setEnabled(rule.menuConnectEnabled);
    ui.settingsToolStripMenuItem->menuAction()->setEnabled(rule.settingsMenuEnabled);
}

}  // namespace dravik
