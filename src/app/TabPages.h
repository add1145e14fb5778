#pragma once
// Which tab pages the main window shows, in which order, and what selecting a page enables.

#include <QSize>
#include <QString>

class QMainWindow;

namespace dravik {

struct DownloadViewUi;

// The developer layout shows the tab control and, to its right, the status-log column; a long
// request line scrolls sideways in the log.
inline constexpr QSize kDeveloperClientSize{1192, 660};
// The standard layout cuts the window off before the status-log column.
inline constexpr QSize kStandardClientSize{896, 660};
inline const QString kCaptionTest = QStringLiteral("Test");
inline const QString kCaptionInterfaceProgrammer = QStringLiteral("Interface programmer");

// Start-up layout: takes "Protocol selection" and "Events log" out; the standard layout also takes
// "Test" out, hides the product and module "Set"/"Read" buttons and narrows the window to the tab
// control, centred on its screen; the developer layout keeps everything, at desktop position
// (-100, 0).
void applyInitialLayout(DownloadViewUi& ui, QMainWindow* window, bool developer);

// After "Power off" and an interface restart. "Protocol selection" is never put back.
void removeProtocolAndLogPages(DownloadViewUi& ui);

// A logging module was identified: the order becomes "Car programmer", "Events log",
// "Interface programmer" and, in the developer layout, "Test". The selected page stays selected
// and no page-change notification is sent. Calling it again changes nothing.
void showEventsLogPage(DownloadViewUi& ui, bool developer);

// What selecting the page with this caption does to the toolbar "Connect/Reboot product", the menu
// item "Connect/Reboot product" and the "Settings" menu. On the Test page the caller first stops a
// running command.
struct TabRule {
    bool toolbarConnectEnabled = true;
    bool menuConnectEnabled = true;
    bool settingsMenuEnabled = true;
    bool testPage = false;
};
TabRule tabRuleForCaption(const QString& caption);

// Sets the three items; on the Test page also selects "3 - Wi-Norv monitor", "1 - Group 1" and
// "1 - Channel 1" (which notifies the lists' change handlers).
void applyTabRule(DownloadViewUi& ui, const TabRule& rule);

}  // namespace dravik
