#pragma once
// The widget layer of the main window: every control, its name, caption, place and initial state.
// Geometry is absolute, in device-independent pixels of the window's client area; the window owns
// the controls through the Qt parent chain, this struct only points at them.

#include <QString>
#include <array>

class QAction;
class QCheckBox;
class QColor;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QWidget;

namespace dravik {

struct DownloadViewUi {
    // Window regions.
    QWidget* centralWidget = nullptr;
    QMenuBar* menuStrip1 = nullptr;
    QToolBar* toolStrip1 = nullptr;
    QFrame* line_Separator = nullptr;  // the red line under the toolbar
    QTabWidget* tabControl1 = nullptr;
    QPlainTextEdit* statusBox_car = nullptr;
    QCheckBox* checkBoxAutoConn = nullptr;
    QPushButton* buttonLogClear = nullptr;
    QPushButton* buttonStopProcess = nullptr;
    QStatusBar* statusStrip1 = nullptr;
    QLabel* StatusLabel_USB_connection = nullptr;
    QLabel* StatusLabel_interface = nullptr;
    QLabel* StatusLabel_working_mode = nullptr;
    QLabel* StatusLabel_recording = nullptr;  // "Recording: FILE" while a session is recorded

    // Menus. Product and module menus are added at run time at the end of the menu bar.
    QMenu* connectionToolStripMenuItem = nullptr;
    QAction* ToolStripMenuItem_ConnectInterface = nullptr;
    QAction* rebootToolStripMenuItem = nullptr;  // Ctrl+5
    QAction* closeToolStripMenuItem = nullptr;   // "Power off", Ctrl+O
    QAction* recordSessionToolStripMenuItem = nullptr;  // "Record session…"
    QAction* stopRecordingToolStripMenuItem = nullptr;  // "Stop recording"
    QMenu* settingsToolStripMenuItem = nullptr;
    QMenu* languageToolStripMenuItem = nullptr;
    QAction* englishToolStripMenuItem = nullptr;
    QAction* italianToolStripMenuItem = nullptr;
    QAction* frenchToolStripMenuItem = nullptr;
    QMenu* infoToolStripMenuItem = nullptr;  // "?"
    QAction* helpToolStripMenuItem = nullptr;
    QAction* updateToolStripMenuItem = nullptr;
    QAction* toolStripMenuItem1 = nullptr;  // "About"

    // Toolbar.
    QAction* toolStripButton1 = nullptr;
    QAction* toolStripButtonOpenFile = nullptr;
    QAction* toolStripButtonSaveFile = nullptr;
    QAction* toolStripButtonSaveReport = nullptr;  // "Save report": the vehicle report as a PDF

    // Tab pages, in build order.
    QFrame* Car_programmer = nullptr;
    QFrame* Test = nullptr;
    QFrame* Interface_programmer = nullptr;
    QFrame* Protocol_selection = nullptr;
    QFrame* tabPage_log = nullptr;

    // Page "Car programmer".
    QGroupBox* groupBox_Product = nullptr;
    QLabel* label_Product = nullptr;
    QScrollArea* panel_Product = nullptr;
    QWidget* panel_ProductContent = nullptr;  // parent of the function/parameter controls
    QPushButton* button_SetParameters = nullptr;
    QPushButton* button_ReadParameters = nullptr;
    QGroupBox* groupBox2 = nullptr;
    QLabel* label_Module = nullptr;
    QScrollArea* panel_Module = nullptr;
    QWidget* panel_ModuleContent = nullptr;  // parent of the protocol controls
    QPushButton* button_SetProtocol = nullptr;
    QPushButton* button_ReadProtocols = nullptr;
    QLineEdit* textBox_protocolPath = nullptr;
    QGroupBox* groupBoxCfg = nullptr;
    QPushButton* buttonSetAll = nullptr;
    QPushButton* buttonReadAll = nullptr;
    QGroupBox* GroupBoxConfig = nullptr;
    QPushButton* buttonCfgDownload = nullptr;
    QLabel* labelCfgFileCaption = nullptr;
    QLabel* labelCfgFileName = nullptr;
    QProgressBar* progressBar_car = nullptr;
    QLabel* label_progressBar_car = nullptr;

    // Page "Test".
    QGroupBox* group_MbusSetup = nullptr;
    QPushButton* button_Mbus_ID_Request = nullptr;
    QLabel* label_Baudrate = nullptr;
    QComboBox* ComboBox_Baudrate = nullptr;
    QCheckBox* checkBox_Power = nullptr;
    QCheckBox* checkBox_Key = nullptr;
    QCheckBox* checkBox_Out1High = nullptr;
    QCheckBox* checkBox_Out1Low = nullptr;
    QCheckBox* checkBox_Out2High = nullptr;
    QCheckBox* checkBox_Out2Low = nullptr;
    QCheckBox* checkBox_PullUp1 = nullptr;
    QCheckBox* checkBox_PullUp2 = nullptr;
    QPushButton* button_Send_Mbus_Setup_Req = nullptr;
    QGroupBox* group_WiSetup = nullptr;
    QLabel* label_DestAddress = nullptr;
    QLabel* label_SysType = nullptr;
    QLineEdit* textBox_Dest_address = nullptr;
    QLineEdit* textBox_Sys_type = nullptr;
    QPushButton* button_Wi_ID_Request = nullptr;
    QLabel* label_OperativeMode = nullptr;
    QComboBox* ComboBox_OperativeMode = nullptr;
    QLabel* label_ChannelGroup = nullptr;
    QComboBox* ComboBox_ChannelGroup = nullptr;
    QLabel* label_Channel = nullptr;
    QComboBox* ComboBox_Channel = nullptr;
    QPushButton* button_Send_Wi_Setup_Req = nullptr;

    // Page "Interface programmer".
    QGroupBox* groupBox_FirmwareUpgrade = nullptr;
    QLineEdit* filenameTextBox = nullptr;
    QPushButton* btnBrowse = nullptr;
    QPushButton* button_UpgradeFirmware = nullptr;
    QProgressBar* progressBar_interface = nullptr;

    // Page "Protocol selection" (never shown; its controls hold state).
    QGroupBox* groupBox_ProtocolSelection = nullptr;
    QListWidget* checkedListBox_ProtocolSelection = nullptr;  // items carry Qt::ItemIsUserCheckable
    QPushButton* button_Set_Selected_Protocols = nullptr;
    QPushButton* button_Read_All_Protocols = nullptr;
    QGroupBox* groupBox_SelectDeselect = nullptr;
    QCheckBox* checkBox_AllGroup = nullptr;
    QListWidget* listBox_selectDeselect_group = nullptr;
    QGroupBox* groupBox_ModuleProtection = nullptr;
    QLabel* label_ProtectionState = nullptr;
    QLabel* pictureBox_padlock_lock = nullptr;
    QLabel* pictureBox_padlock_unlock = nullptr;
    QLabel* label_Password = nullptr;
    QLineEdit* textBox_modue_password = nullptr;
    QPushButton* button_lock_unlock_protection = nullptr;
    QProgressBar* progressBar_protocol = nullptr;
    QLabel* label_progressBar_protocol = nullptr;

    // Page "Events log".
    QGroupBox* groupBox_Events = nullptr;
    QPlainTextEdit* TextBox_log = nullptr;
    QPushButton* button_reset_log = nullptr;
    QPushButton* button_read_log = nullptr;
    QProgressBar* progressBar_log = nullptr;
    QLabel* label_progressBar_log = nullptr;

    // Builds every control on `w` and sets the window's fixed developer-size client area.
    void setupUi(QMainWindow* w);

    // The eight output-line check boxes of the Test page in line order 0..7.
    std::array<QCheckBox*, 8> outputLineCheckBoxes() const;
};

// Colours the text of a label, check box or status field.
void setTextColour(QWidget* w, const QColor& colour);

// Progress bars advance in steps of this size.
inline constexpr int kProgressStep = 5;
// Tool tips of dynamic controls stay up this long.
inline constexpr int kToolTipDurationMs = 10000;

}  // namespace dravik
