// The configuration backup file on the window: its file dialogs, the "Configuration file" group,
// the menu and tool-bar entries and the "Download" button.
#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "app/DataFolder.h"
#include "app/DownloadView.h"
#include "script/ScriptRunner.h"

namespace dravik {

void DownloadView::wireConfiguration() {
    Controller& c = *controller_;
    Session& s = c.session();
    configuration_ = std::make_unique<ConfigurationFile>(
        ConfigurationFile::Deps{s.product, s.module, c.functions().panel(), c.panelOperations(), *this, *this,
                                *this, *this, *this, [] { return mainDataFolder(); },
                                [&c] { return c.handler().panelOperationRunning(); }, c.report()});
    moduleConfig_ = std::make_unique<ModuleConfigAdapter>(c.module(), s.moduleStatus, s.machines);
    configuration_->setModulePort(moduleConfig_.get());
    c.panelOperations().reloadConfiguration = [this] { return configuration_->reloadCurrent(); };
    connect(ui_.toolStripButtonSaveFile, &QAction::triggered, this,
            [this] { configuration_->SaveParameters(); });
    connect(ui_.toolStripButtonOpenFile, &QAction::triggered, this,
            [this] { configuration_->button_LoadParameters_Click(); });
    PanelOperations& ops = c.panelOperations();
    connect(ui_.buttonCfgDownload, &QPushButton::clicked, this, [&ops] { ops.buttonCfgDownload_Click(); });
}

QString DownloadView::chooseFile(const FileDialogRequest& request) {
    if (script_ != nullptr) return script_->onFileDialog(request.caption);
    const QString previous = QDir::currentPath();
    const bool save = request.mode == FileDialogRequest::Mode::Save;
    QFileDialog dialog(this, request.caption, request.startFolder, request.filter);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.fileName.isEmpty()) dialog.selectFile(request.fileName);
    QString chosen;
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        chosen = dialog.selectedFiles().first();
    QDir::setCurrent(previous);
    return chosen;
}

void DownloadView::setConfigGroupVisible(bool visible) { ui_.GroupBoxConfig->setVisible(visible); }

void DownloadView::showConfigFileName(const QString& fullPath, const QString& name) {
    setWindowTitle(appName() + QStringLiteral("  ") + fullPath);
    ui_.labelCfgFileName->setText(name);
    configFileProductId_ = controller_->session().product.Prd_Id1;
}

void DownloadView::forgetConfigFileNameOfAnotherProduct(int identification) {
    if (!configFileProductId_ || static_cast<std::uint32_t>(identification) == *configFileProductId_) return;
    configFileProductId_.reset();
    setWindowTitle(appName());
    ui_.labelCfgFileName->clear();
}

void DownloadView::clearProductPanel() { controller_->functions().panel().clear(ui_.panel_ProductContent); }

void DownloadView::clearModulePanel() { controller_->module().panel().clear(ui_.panel_ModuleContent); }

}  // namespace dravik
