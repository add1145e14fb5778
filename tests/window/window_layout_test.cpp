// Main window widget layer: where the regions sit, the standard and developer layouts, the page
// order when the events log comes and goes, and the scrolling panels.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QToolBar>

#include "app/DownloadViewUi.h"
#include "app/TabPages.h"

namespace dravik {
namespace {

class WindowFixture : public ::testing::Test {
  protected:
    void build(bool developer) {
        ui.setupUi(&window);
        applyInitialLayout(ui, &window, developer);
        window.show();
        QCoreApplication::processEvents();
    }
    QRect inWindow(const QWidget* w) const { return QRect(w->mapTo(&window, QPoint(0, 0)), w->size()); }
    QStringList captions() const {
        QStringList out;
        for (int i = 0; i < ui.tabControl1->count(); ++i) out << ui.tabControl1->tabText(i);
        return out;
    }

    QMainWindow window;
    DownloadViewUi ui;
};

using WindowLayout = WindowFixture;

TEST_F(WindowLayout, RegionsSitAtTheirClientAreaPlaces) {
    build(true);
    const std::pair<QWidget*, QRect> places[] = {
        {ui.menuStrip1, {0, 0, 1192, 24}},          {ui.toolStrip1, {0, 24, 1192, 25}},
        {ui.line_Separator, {-1, 50, 894, 3}},      {ui.tabControl1, {1, 55, 894, 578}},
        {ui.statusBox_car, {901, 51, 288, 424}},    {ui.buttonLogClear, {1130, 481, 46, 23}},
        {ui.buttonStopProcess, {897, 517, 92, 22}}, {ui.statusStrip1, {0, 638, 1192, 22}},
    };
    for (const auto& [widget, place] : places) {
        EXPECT_EQ(inWindow(widget), place) << widget->objectName().toStdString();
    }
    EXPECT_EQ(inWindow(ui.checkBoxAutoConn).topLeft(), QPoint(897, 485));
}

// The developer layout's status log is narrower than a protocol line: the line stays whole on one
// line and its end is reached with the horizontal scroll bar.
TEST_F(WindowLayout, ARequestLineWiderThanTheStatusLogScrollsSideways) {
    build(true);
    window.show();
    const QString line =
        QStringLiteral("TX command: SEND_DATA_SLOT. Data: ") + QStringLiteral("ff.").repeated(24);
    const QFontMetrics metrics(ui.statusBox_car->font());
    ASSERT_GT(metrics.horizontalAdvance(line), ui.statusBox_car->viewport()->width());
    ui.statusBox_car->appendPlainText(line);
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.statusBox_car->document()->lineCount(), 1);
    EXPECT_GT(ui.statusBox_car->horizontalScrollBar()->maximum(), 0);
}

struct LayoutCase {
    bool developer;
    QStringList pages;
    QSize client;
    bool logColumnVisible;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << (c.developer ? "developer" : "standard"); }

class WindowLayouts : public WindowFixture, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(WindowLayouts, PagesButtonsAndVisibleArea) {
    const LayoutCase& c = GetParam();
    build(c.developer);

    EXPECT_EQ(captions(), c.pages);
    EXPECT_EQ(ui.tabControl1->currentIndex(), 0);
    EXPECT_EQ(window.size(), c.client);
    for (QPushButton* b : {ui.button_SetProtocol, ui.button_ReadProtocols, ui.button_SetParameters,
                           ui.button_ReadParameters}) {
        EXPECT_EQ(b->isVisible(), c.developer) << b->objectName().toStdString();
    }
    const QRect client(QPoint(0, 0), window.size());
    for (QWidget* w :
         {static_cast<QWidget*>(ui.statusBox_car), static_cast<QWidget*>(ui.checkBoxAutoConn),
          static_cast<QWidget*>(ui.buttonLogClear), static_cast<QWidget*>(ui.buttonStopProcess)}) {
        EXPECT_EQ(client.intersects(inWindow(w)), c.logColumnVisible) << w->objectName().toStdString();
    }
    // The tab control is whole in both layouts.
    EXPECT_TRUE(client.contains(inWindow(ui.tabControl1)));
}

INSTANTIATE_TEST_SUITE_P(
    Window, WindowLayouts,
    ::testing::Values(LayoutCase{false, {"Car programmer", "Interface programmer"}, {896, 660}, false},
                      LayoutCase{
                          true, {"Car programmer", "Test", "Interface programmer"}, {1192, 660}, true}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) {
        return std::string(info.param.developer ? "Developer" : "Standard");
    });

TEST_P(WindowLayouts, EventsLogPageComesAndGoes) {
    const LayoutCase& c = GetParam();
    build(c.developer);
    ui.tabControl1->setCurrentWidget(ui.Interface_programmer);
    int changes = 0;
    QObject::connect(ui.tabControl1, &QTabWidget::currentChanged, [&changes] { ++changes; });

    showEventsLogPage(ui, c.developer);
    showEventsLogPage(ui, c.developer);

    QStringList expected{"Car programmer", "Events log", "Interface programmer"};
    if (c.developer) expected << "Test";
    EXPECT_EQ(captions(), expected);
    EXPECT_EQ(ui.tabControl1->currentWidget(), ui.Interface_programmer);
    EXPECT_EQ(changes, 0);

    // Taking out the selected log page selects another page and says so.
    ui.tabControl1->setCurrentWidget(ui.tabPage_log);
    changes = 0;
    removeProtocolAndLogPages(ui);
    expected.removeAll("Events log");
    EXPECT_EQ(captions(), expected);
    EXPECT_EQ(changes, 1);
    EXPECT_NE(ui.tabControl1->currentWidget(), ui.tabPage_log);
}

// Scripts and the device logic find controls by name, also on pages taken out of the tab control.
TEST_F(WindowLayout, ControlNamesAreUniqueAndReachable) {
    build(false);
    QSet<QString> seen;
    for (const QObject* o : window.findChildren<QObject*>()) {
        const QString name = o->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) continue;
        EXPECT_FALSE(seen.contains(name)) << "duplicate name " << name.toStdString();
        seen.insert(name);
    }
    for (const char* name :
         {"checkedListBox_ProtocolSelection", "button_lock_unlock_protection", "TextBox_log",
          "ComboBox_Channel", "rebootToolStripMenuItem", "toolStripButtonSaveFile"}) {
        EXPECT_NE(window.findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    }
}

TEST_F(WindowLayout, PanelContentGrowsToReachEveryControl) {
    build(true);
    QScrollArea* panel = ui.panel_Product;
    auto* far = new QLabel(QStringLiteral("last function"), ui.panel_ProductContent);
    far->setGeometry(10, 900, 200, 20);
    far->show();
    QCoreApplication::processEvents();

    EXPECT_GE(ui.panel_ProductContent->height(), 920);
    EXPECT_GT(panel->verticalScrollBar()->maximum(), 0);
    panel->ensureWidgetVisible(far);
    EXPECT_TRUE(
        panel->viewport()->rect().contains(QRect(far->mapTo(panel->viewport(), QPoint(0, 0)), far->size())));

    delete far;
    QCoreApplication::processEvents();
    EXPECT_EQ(panel->verticalScrollBar()->maximum(), 0);
}

}  // namespace
}  // namespace dravik
