// Pages that talk to the interface itself: "Test" (direct M-Bus and wireless setup and identification
// requests, developer layout only) and "Interface programmer" (firmware upgrade).
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/DownloadViewUi.h"
#include "app/ui/UiBuild.h"

namespace dravik::ui {

namespace {

QStringList channelGroupItems() {
    QStringList items{QStringLiteral("0 - No changes")};
    for (int i = 1; i <= 13; ++i) items << QStringLiteral("%1 - Group %1").arg(i);
    items << QStringLiteral("14") << QStringLiteral("15") << QStringLiteral("16");
    return items;
}

void mbusGroup(DownloadViewUi& ui, QWidget* page) {
    ui.group_MbusSetup =
        group(page, "group_MbusSetup", QStringLiteral("KX40 Mbus setup request"), {21, 15, 240, 198});
    QGroupBox* g = ui.group_MbusSetup;
    ui.button_Mbus_ID_Request =
        button(g, "button_Mbus_ID_Request", QStringLiteral("ID req."), {174, 19, 60, 20});
    ui.label_Baudrate = label(g, "label_Baudrate", QStringLiteral("Baudrate:"), {7, 54});
    ui.ComboBox_Baudrate =
        comboBox(g, "ComboBox_Baudrate",
                 {QStringLiteral("0 - No changes"), QStringLiteral("1 - 9600"), QStringLiteral("2 - 1200")},
                 {74, 51, 151, 21});
    ui.checkBox_Power = checkBox(g, "checkBox_Power", QStringLiteral("Power supply"), {10, 78});
    ui.checkBox_Key = checkBox(g, "checkBox_Key", QStringLiteral("Key +15"), {141, 78});
    ui.checkBox_Out1High = checkBox(g, "checkBox_Out1High", QStringLiteral("Out1 high"), {10, 101});
    ui.checkBox_Out1Low = checkBox(g, "checkBox_Out1Low", QStringLiteral("Out1 low"), {88, 101});
    ui.checkBox_Out2High = checkBox(g, "checkBox_Out2High", QStringLiteral("Out2 high"), {10, 124});
    ui.checkBox_Out2Low = checkBox(g, "checkBox_Out2Low", QStringLiteral("Out 2 low"), {88, 124});
    ui.checkBox_PullUp1 = checkBox(g, "checkBox_PullUp1", QStringLiteral("PullUp1"), {10, 147});
    ui.checkBox_PullUp2 = checkBox(g, "checkBox_PullUp2", QStringLiteral("PullUp2"), {141, 147});
    ui.button_Send_Mbus_Setup_Req =
        button(g, "button_Send_Mbus_Setup_Req", QStringLiteral("send"), {179, 170, 55, 22});
}

void wirelessGroup(DownloadViewUi& ui, QWidget* page) {
    ui.group_WiSetup = group(page, "group_WiSetup", QString(), {21, 233, 240, 193});
    QGroupBox* g = ui.group_WiSetup;
    ui.label_DestAddress = label(g, "label_DestAddress", QStringLiteral("Dest. address"), {7, 19});
    ui.label_SysType = label(g, "label_SysType", QStringLiteral("System type"), {106, 19});
    ui.textBox_Dest_address = lineEdit(g, "textBox_Dest_address", QStringLiteral("0"), {8, 35, 86, 20});
    ui.textBox_Sys_type = lineEdit(g, "textBox_Sys_type", QStringLiteral("1"), {109, 35, 45, 20});
    ui.button_Wi_ID_Request = button(g, "button_Wi_ID_Request", QStringLiteral("ID req."), {178, 34, 55, 20});
    ui.label_OperativeMode = label(g, "label_OperativeMode", QStringLiteral("Op. mode:"), {7, 68});
    ui.ComboBox_OperativeMode =
        comboBox(g, "ComboBox_OperativeMode",
                 {QStringLiteral("0 - No changes"), QStringLiteral("2 - Wi-Norv programmer"),
                  QStringLiteral("3 - Wi-Norv monitor")},
                 {74, 65, 151, 21});
    ui.label_ChannelGroup = label(g, "label_ChannelGroup", QStringLiteral("Chn group:"), {5, 95});
    ui.ComboBox_ChannelGroup = comboBox(g, "ComboBox_ChannelGroup", channelGroupItems(), {74, 92, 151, 21});
    ui.label_Channel = label(g, "label_Channel", QStringLiteral("Channel:"), {5, 124});
    ui.ComboBox_Channel = comboBox(g, "ComboBox_Channel",
                                   {QStringLiteral("0 - No changes"), QStringLiteral("1 - Channel 1"),
                                    QStringLiteral("2 - Channel 2"), QStringLiteral("3 - Channel 3")},
                                   {74, 121, 151, 21});
    ui.button_Send_Wi_Setup_Req =
        button(g, "button_Send_Wi_Setup_Req", QStringLiteral("send"), {179, 148, 55, 22});
}

}  // namespace

void setupTestPage(DownloadViewUi& ui) {
    ui.Test = tabPage(ui.tabControl1, "Test", QStringLiteral("Test"), false);
    mbusGroup(ui, ui.Test);
    wirelessGroup(ui, ui.Test);
}

void setupInterfacePage(DownloadViewUi& ui) {
    ui.Interface_programmer =
        tabPage(ui.tabControl1, "Interface_programmer", QStringLiteral("Interface programmer"), true);
    ui.groupBox_FirmwareUpgrade = group(ui.Interface_programmer, "groupBox_FirmwareUpgrade",
                                        QStringLiteral("Firmware download"), {6, 6, 436, 139});
    QGroupBox* g = ui.groupBox_FirmwareUpgrade;
    ui.filenameTextBox = lineEdit(g, "filenameTextBox", QString(), {12, 40, 315, 20});
    ui.filenameTextBox->setReadOnly(true);
    ui.btnBrowse = button(g, "btnBrowse", QStringLiteral("&Browse"), {345, 37, 75, 26});
    ui.button_UpgradeFirmware =
        button(g, "button_UpgradeFirmware", QStringLiteral("Upgrade firmware"), {12, 70, 112, 29});
    ui.progressBar_interface = progressBar(g, "progressBar_interface", {12, 108, 315, 20});
}

}  // namespace dravik::ui
