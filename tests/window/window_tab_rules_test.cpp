// What selecting a page enables and disables, and the Test page's list presets.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QMainWindow>
#include <QMenu>

#include "app/DownloadViewUi.h"
#include "app/TabPages.h"

namespace dravik {
namespace {

struct RuleCase {
    const char* caption;
    bool enabled;
    bool testPage;
};

TEST(WindowTabRules, TableByCaption) {
    const RuleCase cases[] = {
        {"Car programmer", true, false},        {"Test", false, true},
        {"Interface programmer", false, false}, {"Events log", true, false},
        {"Protocol selection", true, false},    {"test", true, false},  // captions are matched exactly
    };
    for (const RuleCase& c : cases) {
        const TabRule r = tabRuleForCaption(QString::fromLatin1(c.caption));
        EXPECT_EQ(r.toolbarConnectEnabled, c.enabled) << c.caption;
        EXPECT_EQ(r.menuConnectEnabled, c.enabled) << c.caption;
        EXPECT_EQ(r.settingsMenuEnabled, c.enabled) << c.caption;
        EXPECT_EQ(r.testPage, c.testPage) << c.caption;
    }
}

TEST(WindowTabRules, AppliedToTheWindow) {
    QMainWindow window;
    DownloadViewUi ui;
    ui.setupUi(&window);
    const auto items = [&ui] {
        return std::array<bool, 3>{ui.toolStripButton1->isEnabled(), ui.rebootToolStripMenuItem->isEnabled(),
                                   ui.settingsToolStripMenuItem->menuAction()->isEnabled()};
    };

    applyTabRule(ui, tabRuleForCaption(QStringLiteral("Interface programmer")));
    EXPECT_EQ(items(), (std::array<bool, 3>{false, false, false}));
    applyTabRule(ui, tabRuleForCaption(QStringLiteral("Car programmer")));
    EXPECT_EQ(items(), (std::array<bool, 3>{true, true, true}));

    applyTabRule(ui, tabRuleForCaption(QStringLiteral("Test")));
    EXPECT_EQ(items(), (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(ui.ComboBox_OperativeMode->currentText(), QStringLiteral("3 - Wi-Norv monitor"));
    EXPECT_EQ(ui.ComboBox_ChannelGroup->currentText(), QStringLiteral("1 - Group 1"));
    EXPECT_EQ(ui.ComboBox_Channel->currentText(), QStringLiteral("1 - Channel 1"));
    // The list position is the value sent: the last groups have bare numbers.
    EXPECT_EQ(ui.ComboBox_ChannelGroup->count(), 17);
    EXPECT_EQ(ui.ComboBox_ChannelGroup->itemText(13), QStringLiteral("13 - Group 13"));
    EXPECT_EQ(ui.ComboBox_ChannelGroup->itemText(16), QStringLiteral("16"));
}

}  // namespace
}  // namespace dravik
