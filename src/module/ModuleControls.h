#pragma once
// The window's controls that the module operations fill and read: the module panel and path box on
// the product page, the lists, bars, buttons and protection controls of the protocol-selection
// page and the log buttons. The window hands its own; without a window (tests, benchmarks) a
// detached, never shown set is made.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <memory>

namespace dravik {

struct ModuleControls {
    QPointer<QWidget> panel_Module;  // the container the module combos are built into
    QPointer<QLineEdit> textBox_protocolPath;
    QPointer<QPushButton> button_SetProtocol;
    QPointer<QPushButton> button_ReadProtocols;

    QPointer<QListWidget> checkedListBox_ProtocolSelection;
    QPointer<QListWidget> listBox_selectDeselect_group;
    QPointer<QCheckBox> checkBox_AllGroup;
    QPointer<QPushButton> button_Set_Selected_Protocols;
    QPointer<QPushButton> button_Read_All_Protocols;
    QPointer<QLabel> label_progressBar_protocol;
    QPointer<QProgressBar> progressBar_protocol;

    QPointer<QLabel> pictureBox_padlock_lock;
    QPointer<QLabel> pictureBox_padlock_unlock;
    QPointer<QLineEdit> textBox_modue_password;
    QPointer<QPushButton> button_lock_unlock_protection;
    QPointer<QPushButton> button_reset_log;
    QPointer<QPushButton> button_read_log;
    QPointer<QPlainTextEdit> TextBox_log;
    QPointer<QProgressBar> progressBar_log;
    QPointer<QLabel> label_progressBar_log;

    // Every control exists.
    bool complete() const;
};

// A full set of controls on a hidden widget that owns them.
class DetachedModuleControls {
  public:
    DetachedModuleControls();
    ~DetachedModuleControls();
    const ModuleControls& controls() const { return controls_; }

  private:
    std::unique_ptr<QWidget> owner_;
    ModuleControls controls_;
};

}  // namespace dravik
