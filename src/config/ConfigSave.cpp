// Saving: the dialog, the document of the screen, and the write that never leaves a half-written
// backup in place of the previous one.
#include <QDir>
#include <QFileInfo>

#include "config/ConfigurationFile.h"
#include "platform/FileAccess.h"
#include "product/ProductPanel.h"

namespace dravik {

namespace {
const QString kFilter = QStringLiteral("bkd files (*.bkd)");
const QString kSaveCaption = QStringLiteral("Save configuration file");
}  // namespace

QString ConfigurationFile::startFolder() const {
    const QString base = d_.dataFolder ? d_.dataFolder() : QString();
    if (base.isEmpty()) return {};
    if (d_.mod.Mod_SoftwareType == kModuleTaviron)
        return QDir(base).filePath(QStringLiteral("Configurations/TAVIRON"));
    if (d_.mod.Mod_SoftwareType == kModuleTavironZed)
        return QDir(base).filePath(QStringLiteral("Configurations/TAVIRON ZED"));
    return {};
}

FileDialogRequest ConfigurationFile::dialogRequest(FileDialogRequest::Mode mode) const {
    FileDialogRequest r;
    r.mode = mode;
    r.caption =
        mode == FileDialogRequest::Mode::Save ? kSaveCaption : QStringLiteral("Open configuration file");
    r.fileName = mode == FileDialogRequest::Mode::Save ? QStringLiteral("MyConfiguration.bkd") : QString();
    r.defaultSuffix = QStringLiteral("bkd");
    r.filter = kFilter;
    r.startFolder = startFolder();
    return r;
}

void ConfigurationFile::CfgProductShowNameFile(const QString& path) {
    d_.view.showConfigFileName(QDir::toNativeSeparators(path), QFileInfo(path).fileName());
}

void ConfigurationFile::endProgress() {
    d_.progress.setProgressText(QString(), false);
    d_.progress.setProgressValue(0);
}

bool ConfigurationFile::refusedWhileBusy() {
    if (!d_.panelsBusy || !d_.panelsBusy()) return false;
    d_.dialogs.message(QStringLiteral("There is another process in progress"), QStringLiteral("Command"));
    return true;
}

// Asked before the dialog and again after it: an operation may have started while it was open.
void ConfigurationFile::SaveParameters() {
    if (refusedWhileBusy()) return;
    const FileDialogRequest request = dialogRequest(FileDialogRequest::Mode::Save);
    // The default folders are where technicians look for backups; the dialog starts there.
    if (!request.startFolder.isEmpty()) QDir().mkpath(request.startFolder);
    const QString path = d_.files.chooseFile(request);
    if (path.isEmpty() || refusedWhileBusy()) return;
    QStringList notSaved;
    const QByteArray bytes = writeConfigDocument(buildDocument(&notSaved));
    // Only a file that is really there becomes the current one: "Download" loads it again.
    if (!writeFile(path, bytes)) return;
    d_.journal.operationEnded({QStringLiteral("Backup saved"), true,
                               QStringLiteral("file ") + QDir::toNativeSeparators(path)});
    d_.view.setConfigGroupVisible(true);
    CfgProductFileName = path;
    CfgProductShowNameFile(path);
    if (notSaved.isEmpty()) return;
    const QString text = QStringLiteral(
                             "Values wider than one byte cannot be kept in a configuration file; "
                             "not saved: %1")
                             .arg(notSaved.join(QStringLiteral(", ")));
    d_.dialogs.message(text, kSaveCaption, Dialogs::Buttons::Ok, Dialogs::Icon::Warning);
    d_.log.appendLog(text + kCrLf);
}

ConfigDocument ConfigurationFile::buildDocument(QStringList* notSaved) {
    ConfigDocument doc;
    doc.root = {d_.prd.Prd_Name, static_cast<std::uint8_t>(d_.prd.Prd_Id1), d_.prd.Prd_Version,
                d_.prd.Prd_Subversion};
    const int rows = d_.panel.rowCount();
    for (int i = 1; i <= rows; ++i) {
        const int selected = d_.panel.selectedIndex(i - 1);
        const auto& items = d_.panel.row(i - 1).items;
        if (selected >= 0 && static_cast<std::size_t>(selected) < items.size()) {
            const function_parameters& item = items[static_cast<std::size_t>(selected)];
            // A wider value would make the whole file unreadable.
            if (isListKind(item.func_id) && item.value > 0xFF) {
                if (notSaved != nullptr) notSaved->append(d_.panel.row(i - 1).name);
            } else if (isListKind(item.func_id)) {
                doc.elements.emplace_back(ConfigProductParameter{i, item.func_parameter_id, item.value});
            }
        }
        d_.progress.setProgressText(QStringLiteral("Save parameters..."), true);
        d_.progress.setProgressValue(i * 100 / (rows + 1));
    }
    endProgress();

    if (d_.mod.Mod_connected != 1) return doc;
    const ModuleState& m = d_.mod;
    const ConfigModuleSelection sel =
        module_ != nullptr ? module_->currentSelection() : ConfigModuleSelection{};
    doc.elements.emplace_back(ConfigModuleParameters{
        m.Mod_Name, m.Mod_SoftwareType, m.Mod_HardwareVersion, m.Mod_SoftwareVersion, sel.Decode_toSet,
        sel.Decode_Version_toSet, sel.Slot_toSet, sel.ParA_toSet, m.Mdl_Selected_MaxParameter_A,
        sel.ParB_C_toSet, sel.Mdl_Selected_MaxParameter_B_C, sel.FileProtocolPath});
    const QString password = EncryptData(sel.password);
    const auto count = static_cast<int>(sel.checked.size());
    for (int j = 1; j <= count; ++j) {
        const ConfigProtocolEntry& e = sel.checked[static_cast<std::size_t>(j - 1)];
        doc.elements.emplace_back(ConfigSelectedSlot{m.Mod_Name, m.Mod_SoftwareType, m.Mod_HardwareVersion,
                                                     m.Mod_SoftwareVersion, password, e.Decode_type,
                                                     e.Decode_version, e.Decode_number, e.Decode_group});
        d_.progress.setProgressText(QStringLiteral("Save slots selection..."), true);
        d_.progress.setProgressValue(j * 100 / count);
    }
    endProgress();
    return doc;
}

bool ConfigurationFile::writeFile(const QString& path, const QByteArray& bytes) {
    const QString reason = writeFileSafely(path, bytes);
    if (reason.isEmpty()) return true;
    const QString shown = QDir::toNativeSeparators(path);
    d_.dialogs.message(QStringLiteral("The configuration file %1 cannot be written: %2").arg(shown, reason),
                       kSaveCaption, Dialogs::Buttons::Ok, Dialogs::Icon::Error);
    d_.log.appendLog(QStringLiteral("Configuration file not saved: %1: %2").arg(shown, reason) + kCrLf);
    d_.journal.operationEnded({QStringLiteral("Backup saved"), false,
                               QStringLiteral("file %1\nthe file cannot be written: %2").arg(shown, reason)});
    return false;
}

}  // namespace dravik
