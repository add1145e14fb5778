#pragma once
// Configuration backups as the window wires them: a file dialog that answers from a queue, a view
// that records what the backup shows, and a module bench whose backups go through the real module
// adapter, with "Download" loading the current file again.

#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "config/ConfigurationFile.h"
#include "config/ModuleConfigAdapter.h"
#include "product/ProductPanel.h"
#include "support/ModuleBench.h"

namespace dravik::test {

class FakeFiles : public FileDialogs {
  public:
    QString chooseFile(const FileDialogRequest& request) override {
        asked.push_back(request);
        if (whileOpen) std::exchange(whileOpen, nullptr)();
        if (answers.empty()) return {};
        const QString a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<QString> answers;
    std::vector<FileDialogRequest> asked;
    std::function<void()> whileOpen;  // what happens while the next dialog is open
};

class FakeConfigView : public ConfigFileView {
  public:
    FakeConfigView(ProductPanel& panel, QWidget& container) : panel_(panel), container_(container) {}
    void setConfigGroupVisible(bool visible) override { groupVisible = visible; }
    void showConfigFileName(const QString& fullPath, const QString& shownName) override {
        title = fullPath;
        name = shownName;
    }
    void clearProductPanel() override { panel_.clear(&container_); }
    void clearModulePanel() override { ++moduleClears; }
    bool groupVisible = false;
    QString title;
    QString name;
    int moduleClears = 0;

  private:
    ProductPanel& panel_;
    QWidget& container_;
};

struct BackupRig {
    std::unique_ptr<ScenarioRig> rig;
    QWidget container;
    FakeFiles files;
    std::unique_ptr<FakeConfigView> view;
    std::unique_ptr<ModuleConfigAdapter> port;
    std::unique_ptr<ConfigurationFile> cfg;

    // The bench data/benches/<benchFile> connected (ModuleBench.h); false with error set.
    bool connect(const char* benchFile, std::string& error);

    Session& s() { return rig->s(); }
    EnterModule& module() { return rig->controller->module(); }
    ProductPanel& panel() { return rig->controller->functions().panel(); }
    PanelOperations& ops() { return rig->controller->panelOperations(); }
    // "Save" and "Open" with the file dialog answered by path.
    void save(const QString& path) {
        files.answers.push_back(path);
        cfg->SaveParameters();
    }
    void open(const QString& path) {
        files.answers.push_back(path);
        cfg->button_LoadParameters_Click();
    }
};

}  // namespace dravik::test
