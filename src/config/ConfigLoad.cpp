// Opening: the dialog, the whole-file check, and the application of a checked document in
// document order.
#include <QDir>

#include "config/ConfigReader.h"
#include "config/ConfigurationFile.h"
#include "product/PanelOperations.h"
#include "product/ProductPanel.h"

namespace dravik {

namespace {
const QString kOpenCaption = QStringLiteral("Open configuration file");
}  // namespace

void ConfigurationFile::button_LoadParameters_Click() {
    if (refusedWhileBusy()) return;
    const QString path = d_.files.chooseFile(dialogRequest(FileDialogRequest::Mode::Open));
    if (path.isEmpty() || refusedWhileBusy()) return;
    loadAndJournal(path, QStringLiteral("Backup opened"));
}

bool ConfigurationFile::reloadCurrent() {
    return !CfgProductFileName.isEmpty() && !refusedWhileBusy() &&
           loadAndJournal(CfgProductFileName, QStringLiteral("Backup downloaded"));
}

bool ConfigurationFile::loadAndJournal(const QString& path, const QString& operation) {
    QString why;
    const bool ok = load(path, &why);
    journal(operation, path, ok, why);
    return ok;
}

void ConfigurationFile::journal(const QString& operation, const QString& path, bool ok, const QString& why) {
    QString detail = QStringLiteral("file ") + QDir::toNativeSeparators(path);
    if (!why.isEmpty()) detail += QLatin1Char('\n') + why;
    d_.journal.operationEnded({operation, ok, detail});
}

bool ConfigurationFile::load(const QString& path, QString* why) {
    // The whole file is read and checked first: a refused file leaves the screen as it was.
    const ConfigReadResult read = readConfigFile(path);
    if (!read.ok()) {
        const QString shown = QDir::toNativeSeparators(path);
        const QString problem = read.error->describe();
        d_.dialogs.message(
            QStringLiteral("The configuration file %1 cannot be opened: %2").arg(shown, problem),
            kOpenCaption, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
        d_.log.appendLog(QStringLiteral("Configuration file refused: %1: %2").arg(shown, problem) + kCrLf);
        if (why != nullptr) *why = QStringLiteral("the file cannot be opened: ") + problem;
        return false;
    }
    CfgProductFileName = path;
    CfgProductShowNameFile(path);
    const bool compatible = apply(read.doc);
    if (!compatible && why != nullptr) *why = QStringLiteral("the file was made for another product or module");
    return compatible;
}

bool ConfigurationFile::apply(const ConfigDocument& doc) {
    if (module_ != nullptr) module_->clearProtocolChecks();
    bool compatible = applyRoot(doc.root);
    const bool productMatches = compatible;
    for (const ConfigElement& e : doc.elements) {
        if (const auto* p = std::get_if<ConfigProductParameter>(&e)) {
            if (productMatches) applyProductParameter(*p);
        } else if (const auto* m = std::get_if<ConfigModuleParameters>(&e)) {
            if (!applyModuleParameters(*m)) compatible = false;
        } else if (const auto* s = std::get_if<ConfigSelectedSlot>(&e)) {
            if (module_ != nullptr) module_->checkMatchingProtocols(s->Decode, s->Version, s->Decode_group);
        }
    }
    d_.ops.CheckForChanges();
    d_.view.setConfigGroupVisible(compatible);
    return compatible;
}

void ConfigurationFile::refuse(const QString& caption, const QString& text, const QString& logLine) {
    d_.dialogs.message(text, caption, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    d_.log.appendLog(kCrLf);
    d_.log.appendLog(logLine);
}

bool ConfigurationFile::applyRoot(const ConfigRoot& root) {
    if (root.Product_id == d_.prd.Prd_Id1) return true;
    d_.view.clearProductPanel();
    refuse(kOpenCaption, QStringLiteral("Product parameters not compatible with connected product! "),
           QStringLiteral("Product parameters NOT compatible with connected product! \r\n"));
    return false;
}

// Every item with the key and value is selected, in every list row; within a row the last one stays.
void ConfigurationFile::applyProductParameter(const ConfigProductParameter& p) {
    for (int row = 0; row < d_.panel.rowCount(); ++row) {
        const auto& items = d_.panel.row(row).items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (isListKind(items[i].func_id) && items[i].func_parameter_id == p.Id &&
                items[i].value == p.Value)
                d_.panel.select(row, static_cast<int>(i));
        }
    }
}

bool ConfigurationFile::applyModuleParameters(const ConfigModuleParameters& m) {
    // A module that is not connected has software type 0 and matches no file.
    const bool matches = d_.mod.Mod_connected == 1 && m.Module_sw_type == d_.mod.Mod_SoftwareType &&
                         m.Module_sw_version == d_.mod.Mod_SoftwareVersion;
    if (!matches) {
        d_.view.clearModulePanel();
        refuse(kOpenCaption, QStringLiteral("Module parameters not compatible with connected module ! "),
               QStringLiteral("Module parameters not compatible with connected module! \r\n"));
        return false;
    }
    if (module_ != nullptr) {
        module_->applyModuleParameters({m.Decode, m.Version, m.Slot, m.Mdl_selected_max_parameter_B_C, m.Path,
                                        m.Mdl_selected_parameter_A, m.Mdl_selected_parameter_B_C});
    }
    return true;
}

}  // namespace dravik
