#include "module/ModuleControls.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include "product/PlainText.h"

namespace dravik {

bool ModuleControls::complete() const {
    return panel_Module && textBox_protocolPath && button_SetProtocol && button_ReadProtocols &&
           checkedListBox_ProtocolSelection && listBox_selectDeselect_group && checkBox_AllGroup &&
           button_Set_Selected_Protocols && button_Read_All_Protocols && label_progressBar_protocol &&
           progressBar_protocol && pictureBox_padlock_lock && pictureBox_padlock_unlock &&
           textBox_modue_password && button_lock_unlock_protection && button_reset_log && button_read_log &&
           TextBox_log && progressBar_log && label_progressBar_log;
}

DetachedModuleControls::DetachedModuleControls() : owner_(std::make_unique<QWidget>()) {
    QWidget* o = owner_.get();
    ModuleControls& c = controls_;
    c.panel_Module = new QWidget(o);
    c.textBox_protocolPath = new QLineEdit(o);
    c.button_SetProtocol = new QPushButton(o);
    c.button_ReadProtocols = new QPushButton(o);
    c.checkedListBox_ProtocolSelection = new QListWidget(o);
    c.listBox_selectDeselect_group = new QListWidget(o);
    c.listBox_selectDeselect_group->setSortingEnabled(true);
    c.listBox_selectDeselect_group->setSelectionMode(QAbstractItemView::MultiSelection);
    c.checkBox_AllGroup = new QCheckBox(o);
    c.button_Set_Selected_Protocols = new QPushButton(o);
    c.button_Read_All_Protocols = new QPushButton(o);
    c.label_progressBar_protocol = newPlainLabel(o);
    c.progressBar_protocol = new QProgressBar(o);
    c.pictureBox_padlock_lock = newPlainLabel(o);
    c.pictureBox_padlock_unlock = newPlainLabel(o);
    c.textBox_modue_password = new QLineEdit(o);
    c.button_lock_unlock_protection = new QPushButton(o);
    c.button_reset_log = new QPushButton(o);
    c.button_read_log = new QPushButton(o);
    c.TextBox_log = new QPlainTextEdit(o);
    c.progressBar_log = new QProgressBar(o);
    c.label_progressBar_log = newPlainLabel(o);
}

DetachedModuleControls::~DetachedModuleControls() = default;

}  // namespace dravik
