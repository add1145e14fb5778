#pragma once
// Small builders shared by the page files of the main window layout. Positions are relative to the
// parent widget; controls without a size take the size of their caption.

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QWidget;

namespace dravik {

struct DownloadViewUi;

namespace ui {

inline constexpr QColor kSnow{0xff, 0xfa, 0xfa};
inline constexpr QColor kSilver{0xc0, 0xc0, 0xc0};

// The default font family at the given point size (the layout is drawn for 8.25 pt).
QFont sizedFont(double pointSize);
QIcon icon(const QString& name);  // ":/icons/<name>.png", with its @2x companion

void fillBackground(QWidget* w, const QColor& colour);

// Created on the tab control so that captions are measured in the window's font.
QFrame* tabPage(QWidget* tabs, const char* name, const QString& caption, bool silver);
QGroupBox* group(QWidget* parent, const char* name, const QString& title, const QRect& place);
QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& place,
                    bool enabled = true);
QLabel* label(QWidget* parent, const char* name, const QString& text, const QPoint& pos);
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& text, const QPoint& pos);
QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items, const QRect& place);
QLineEdit* lineEdit(QWidget* parent, const char* name, const QString& text, const QRect& place);
QProgressBar* progressBar(QWidget* parent, const char* name, const QRect& place);
// Label drawn over its progress bar, centred, hidden until an operation shows it.
QLabel* progressLabel(QWidget* parent, const char* name, const QString& text, const QRect& barPlace);
// Sunken Snow panel that scrolls over the controls placed on `*content`.
QScrollArea* scrollPanel(QWidget* parent, const char* name, const QRect& place, QWidget** content);

void setupMenus(DownloadViewUi& ui, QMainWindow* w);
void setupToolbar(DownloadViewUi& ui, QMainWindow* w);
void setupStatusBar(DownloadViewUi& ui, QMainWindow* w);
void setupCarProgrammerPage(DownloadViewUi& ui);
void setupTestPage(DownloadViewUi& ui);
void setupInterfacePage(DownloadViewUi& ui);
void setupProtocolPage(DownloadViewUi& ui);
void setupEventsLogPage(DownloadViewUi& ui);

}  // namespace ui
}  // namespace dravik
