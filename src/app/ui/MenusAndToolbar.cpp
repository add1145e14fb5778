// Menu bar, toolbar and status bar of the main window.
#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/DownloadViewUi.h"
#include "app/ui/UiBuild.h"
#include "product/PlainText.h"

namespace dravik::ui {

namespace {

QMenu* addMenu(QMenuBar* bar, const char* name, const QString& title) {
    QMenu* m = bar->addMenu(title);
    m->setObjectName(QString::fromLatin1(name));
    m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Action"));
    // Popups are windows and would not take the main window's font otherwise.
    m->setAttribute(Qt::WA_WindowPropagation);
    return m;
}

QAction* addItem(QMenu* menu, const char* name, const QString& text, bool enabled = true) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    return a;
}

QAction* addTool(QToolBar* bar, const char* name, const QString& iconName, const QString& tip, bool enabled) {
    QAction* a = bar->addAction(icon(iconName), tip);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(tip);
    a->setEnabled(enabled);
    return a;
}

QLabel* statusField(QStatusBar* bar, const char* name, const QString& text, int stretch) {
    auto* l = newPlainLabel(bar, text);
    l->setObjectName(QString::fromLatin1(name));
    bar->addWidget(l, stretch);
    return l;
}

}  // namespace

void setupMenus(DownloadViewUi& ui, QMainWindow* w) {
    ui.menuStrip1 = new QMenuBar(w);
    ui.menuStrip1->setObjectName(QStringLiteral("menuStrip1"));
    ui.menuStrip1->setFixedHeight(24);
    w->setMenuBar(ui.menuStrip1);

    ui.connectionToolStripMenuItem =
        addMenu(ui.menuStrip1, "connectionToolStripMenuItem", QStringLiteral("Connection"));
    ui.ToolStripMenuItem_ConnectInterface =
        addItem(ui.connectionToolStripMenuItem, "ToolStripMenuItem_ConnectInterface",
                QStringLiteral("Connect Interface (drvk)"));
    ui.connectionToolStripMenuItem->addSeparator();
    ui.rebootToolStripMenuItem = addItem(ui.connectionToolStripMenuItem, "rebootToolStripMenuItem",
                                         QStringLiteral("Connect/Reboot product"));
    ui.rebootToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_5));
    ui.connectionToolStripMenuItem->addSeparator();
    ui.closeToolStripMenuItem =
        addItem(ui.connectionToolStripMenuItem, "closeToolStripMenuItem", QStringLiteral("Power off"));
    ui.closeToolStripMenuItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    // Enabled by the session recording when the program has one.
    ui.connectionToolStripMenuItem->addSeparator();
    ui.recordSessionToolStripMenuItem = addItem(ui.connectionToolStripMenuItem, "recordSessionToolStripMenuItem",
                                                QStringLiteral("Record session…"), false);
    ui.stopRecordingToolStripMenuItem = addItem(ui.connectionToolStripMenuItem, "stopRecordingToolStripMenuItem",
                                                QStringLiteral("Stop recording"), false);

    ui.settingsToolStripMenuItem =
        addMenu(ui.menuStrip1, "settingsToolStripMenuItem", QStringLiteral("Settings"));
    ui.languageToolStripMenuItem = ui.settingsToolStripMenuItem->addMenu(QStringLiteral("Language"));
    ui.languageToolStripMenuItem->setObjectName(QStringLiteral("languageToolStripMenuItem"));
    ui.languageToolStripMenuItem->setAttribute(Qt::WA_WindowPropagation);
    ui.englishToolStripMenuItem =
        addItem(ui.languageToolStripMenuItem, "englishToolStripMenuItem", QStringLiteral("English"));
    ui.italianToolStripMenuItem =
        addItem(ui.languageToolStripMenuItem, "italianToolStripMenuItem", QStringLiteral("Italian"));
    ui.frenchToolStripMenuItem =
        addItem(ui.languageToolStripMenuItem, "frenchToolStripMenuItem", QStringLiteral("French"));

    ui.infoToolStripMenuItem = addMenu(ui.menuStrip1, "infoToolStripMenuItem", QStringLiteral("?"));
    ui.helpToolStripMenuItem =
        addItem(ui.infoToolStripMenuItem, "helpToolStripMenuItem", QStringLiteral("Help"), false);
    ui.updateToolStripMenuItem =
        addItem(ui.infoToolStripMenuItem, "updateToolStripMenuItem", QStringLiteral("Update"), false);
    ui.toolStripMenuItem1 = addItem(ui.infoToolStripMenuItem, "toolStripMenuItem1", QStringLiteral("About"));
}

void setupToolbar(DownloadViewUi& ui, QMainWindow* w) {
    ui.toolStrip1 = new QToolBar(w);
    ui.toolStrip1->setObjectName(QStringLiteral("toolStrip1"));
    ui.toolStrip1->setMovable(false);
    ui.toolStrip1->setFloatable(false);
    ui.toolStrip1->setIconSize(QSize(16, 16));
    ui.toolStrip1->setFixedHeight(25);
    ui.toolStrip1->toggleViewAction()->setVisible(false);
    w->addToolBar(Qt::TopToolBarArea, ui.toolStrip1);

    ui.toolStripButton1 = addTool(ui.toolStrip1, "toolStripButton1", QStringLiteral("connect"),
                                  QStringLiteral("Connect/Reboot product"), true);
    ui.toolStrip1->addSeparator();
    ui.toolStripButtonOpenFile = addTool(ui.toolStrip1, "toolStripButtonOpenFile", QStringLiteral("open"),
                                         QStringLiteral("Open file"), false);
    ui.toolStripButtonSaveFile = addTool(ui.toolStrip1, "toolStripButtonSaveFile", QStringLiteral("save"),
                                         QStringLiteral("Save file"), false);
    ui.toolStrip1->addSeparator();
    ui.toolStripButtonSaveReport = addTool(ui.toolStrip1, "toolStripButtonSaveReport", QStringLiteral("report"),
                                           QStringLiteral("Save report"), true);
}

void setupStatusBar(DownloadViewUi& ui, QMainWindow* w) {
    ui.statusStrip1 = new QStatusBar(w);
    ui.statusStrip1->setObjectName(QStringLiteral("statusStrip1"));
    ui.statusStrip1->setFixedHeight(22);
    ui.statusStrip1->setSizeGripEnabled(false);
    w->setStatusBar(ui.statusStrip1);

    ui.StatusLabel_USB_connection = statusField(ui.statusStrip1, "StatusLabel_USB_connection",
                                                QStringLiteral("Searching for devices..."), 0);
    ui.StatusLabel_interface =
        statusField(ui.statusStrip1, "StatusLabel_interface", QStringLiteral("No interface connected"), 0);
    setTextColour(ui.StatusLabel_interface, Qt::red);
    ui.StatusLabel_working_mode = statusField(ui.statusStrip1, "StatusLabel_working_mode", QString(), 1);
    setTextColour(ui.StatusLabel_working_mode, Qt::gray);
    ui.StatusLabel_recording = statusField(ui.statusStrip1, "StatusLabel_recording", QString(), 0);
    setTextColour(ui.StatusLabel_recording, Qt::red);
    ui.StatusLabel_recording->setVisible(false);
}

}  // namespace dravik::ui
