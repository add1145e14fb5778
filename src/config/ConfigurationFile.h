#pragma once
// Saving the screen's configuration into a backup file and applying a backup file to the screen:
// the product panel's list selections and, with a module, its selected protocol and the protocols
// checked for writing. Save and open run on the user-interface thread and send no device command;
// "Download" (the panel operations) loads the current file again and then sets all.

#include <QString>
#include <QStringList>
#include <functional>

#include "config/ConfigDocument.h"
#include "config/ConfigModulePort.h"
#include "database/ProductState.h"
#include "link/FileDialogs.h"
#include "link/OperationJournal.h"
#include "link/Views.h"

namespace dravik {

class PanelOperations;
class ProductPanel;

// What the configuration file shows on the window.
class ConfigFileView {
  public:
    virtual ~ConfigFileView() = default;
    // The "Configuration file" group (GroupBoxConfig) with the "Download" button.
    virtual void setConfigGroupVisible(bool visible) = 0;
    // Window title: the application name, two blanks and the full path; labelCfgFileName: the name.
    virtual void showConfigFileName(const QString& fullPath, const QString& name) = 0;
    // Removes every row of the product panel (until the panel is built again).
    virtual void clearProductPanel() = 0;
    // Removes every control of the module panel (panel_Module).
    virtual void clearModulePanel() = 0;
};

class ConfigurationFile {
  public:
    static constexpr std::uint8_t kModuleTaviron = 0xA1;
    static constexpr std::uint8_t kModuleTavironZed = 0xA2;

    struct Deps {
        ProductState& prd;
        ModuleState& mod;
        ProductPanel& panel;
        PanelOperations& ops;
        LogView& log;
        ProgressView& progress;
        Dialogs& dialogs;
        FileDialogs& files;
        ConfigFileView& view;
        std::function<QString()> dataFolder;  // the main data folder
        // True while an operation reads or writes the panels (connection, read, set, module):
        // a backup saved then would hold values not read yet, and one opened then would be
        // overwritten or half written. Empty: never busy.
        std::function<bool()> panelsBusy = {};
        OperationJournal& journal = noJournal();
    };

    explicit ConfigurationFile(Deps d) : d_(std::move(d)) {}

    // The module subsystem's side; without one, a connected module is saved with its descriptor
    // and nothing selected, and a compatible module part of a file applies nothing.
    void setModulePort(ConfigModulePort* port) { module_ = port; }

    // Menu "Save" and tool-bar "Save file": asks for a name and writes the file.
    void SaveParameters();
    // Menu "Open" and tool-bar "Open file": asks for a file and applies it.
    void button_LoadParameters_Click();
    // Reads and checks the whole file, then applies it. A refused file (unreadable, not
    // well-formed, a bad attribute) changes nothing on the screen: one message, one log line.
    // True when the file was applied and product and module were compatible.
    bool CfgProductLoadFile(const QString& path) { return load(path, nullptr); }
    // "Download": the current file again.
    // Refused like Open while a panel operation runs.
    bool reloadCurrent();

    const QString& fileName() const { return CfgProductFileName; }

    // The document of the screen as it is, with the save's progress texts. A file keeps a list
    // value in one byte: rows whose selected value is wider are left out and named in notSaved.
    ConfigDocument buildDocument(QStringList* notSaved = nullptr);

  private:
    void CfgProductShowNameFile(const QString& path);
    QString startFolder() const;
    FileDialogRequest dialogRequest(FileDialogRequest::Mode mode) const;
    bool writeFile(const QString& path, const QByteArray& bytes);
    void endProgress();

    // Applying a checked document, element by element.
    bool apply(const ConfigDocument& doc);
    bool applyRoot(const ConfigRoot& root);
    void applyProductParameter(const ConfigProductParameter& p);
    bool applyModuleParameters(const ConfigModuleParameters& m);
    void refuse(const QString& caption, const QString& text, const QString& logLine);
    // CfgProductLoadFile; a refusal's words go to why when given.
    bool load(const QString& path, QString* why);
    bool loadAndJournal(const QString& path, const QString& operation);
    void journal(const QString& operation, const QString& path, bool ok, const QString& why);
    // Says so and returns true while the panels are busy.
    bool refusedWhileBusy();

    Deps d_;
    ConfigModulePort* module_ = nullptr;
    QString CfgProductFileName;
};

}  // namespace dravik
