// Page "Car programmer": product panel, module panel, read/set-all and configuration-file groups.
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <algorithm>

#include "app/DownloadViewUi.h"
#include "app/ui/UiBuild.h"

namespace dravik::ui {

namespace {

void productGroup(DownloadViewUi& ui, QWidget* page) {
    ui.groupBox_Product = group(page, "groupBox_Product", QStringLiteral("Product"), {3, 3, 522, 536});
    QGroupBox* g = ui.groupBox_Product;
    // The product line written after identification is longer than the initial text: give the
    // label the width of the panel under it.
    ui.label_Product = label(g, "label_Product", QStringLiteral("No product connected."), {6, 19});
    ui.label_Product->resize(511, ui.label_Product->height());
    setTextColour(ui.label_Product, Qt::red);
    ui.panel_Product = scrollPanel(g, "panel_Product", {6, 48, 511, 446}, &ui.panel_ProductContent);
    ui.button_SetParameters =
        button(g, "button_SetParameters", QStringLiteral("Set"), {6, 507, 45, 23}, false);
    ui.button_ReadParameters =
        button(g, "button_ReadParameters", QStringLiteral("Read"), {472, 507, 45, 23}, false);
}

void moduleGroup(DownloadViewUi& ui, QWidget* page) {
    ui.groupBox2 = group(page, "groupBox2", QStringLiteral("Module"), {531, 3, 343, 240});
    QGroupBox* g = ui.groupBox2;
    ui.label_Module = label(g, "label_Module", QStringLiteral("No module connected."), {12, 16});
    ui.label_Module->resize(325, ui.label_Module->height());
    setTextColour(ui.label_Module, Qt::red);
    ui.panel_Module = scrollPanel(g, "panel_Module", {15, 48, 265, 116}, &ui.panel_ModuleContent);
    ui.button_SetProtocol = button(g, "button_SetProtocol", QStringLiteral("Set"), {16, 176, 45, 23}, false);
    ui.button_ReadProtocols =
        button(g, "button_ReadProtocols", QStringLiteral("Read"), {235, 176, 45, 23}, false);
    ui.textBox_protocolPath = lineEdit(g, "textBox_protocolPath", QString(), {15, 208, 315, 20});
    ui.textBox_protocolPath->setReadOnly(true);
    QPalette p = ui.textBox_protocolPath->palette();
    p.setColor(QPalette::Base, kSilver);
    ui.textBox_protocolPath->setPalette(p);
}

void configurationGroups(DownloadViewUi& ui, QWidget* page) {
    ui.groupBoxCfg = group(page, "groupBoxCfg", QStringLiteral("Product and module"), {529, 290, 345, 82});
    ui.buttonSetAll = button(ui.groupBoxCfg, "buttonSetAll", QStringLiteral("Set"), {17, 20, 79, 52}, false);
    ui.buttonReadAll =
        button(ui.groupBoxCfg, "buttonReadAll", QStringLiteral("Read"), {228, 20, 75, 52}, false);

    ui.GroupBoxConfig =
        group(page, "GroupBoxConfig", QStringLiteral("Configuration file"), {531, 419, 345, 80});
    QGroupBox* g = ui.GroupBoxConfig;
    ui.buttonCfgDownload = button(g, "buttonCfgDownload", QStringLiteral("Download"), {17, 19, 79, 52});
    ui.labelCfgFileCaption = label(g, "labelCfgFileCaption", QStringLiteral("File name:"), {113, 39});
    // The file name replaces "Name" and may run up to the group's right edge; wide fonts push it
    // right of its caption.
    const int nameX = std::max(168, ui.labelCfgFileCaption->geometry().right() + 5);
    ui.labelCfgFileName = label(g, "labelCfgFileName", QStringLiteral("Name"), {nameX, 39});
    ui.labelCfgFileName->resize(g->width() - nameX - 6, ui.labelCfgFileName->height());
    g->hide();
}

}  // namespace

void setupCarProgrammerPage(DownloadViewUi& ui) {
    ui.Car_programmer = tabPage(ui.tabControl1, "Car_programmer", QStringLiteral("Car programmer"), true);
    QWidget* page = ui.Car_programmer;
    productGroup(ui, page);
    moduleGroup(ui, page);
    configurationGroups(ui, page);

    const QRect bar{531, 518, 343, 20};
    ui.progressBar_car = progressBar(page, "progressBar_car", bar);
    ui.label_progressBar_car = progressLabel(page, "label_progressBar_car", QString(), bar);
}

}  // namespace dravik::ui
