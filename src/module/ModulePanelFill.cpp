// The module panel on the product page: the protocols combo of a slot module, the parameter
// combos, and what choosing in them sets.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

#include "module/EnterModule.h"
#include "module/Programmer.h"
#include "product/PlainText.h"
#include "product/ProductPanel.h"

namespace dravik {

namespace {

constexpr std::uint16_t kMaskA = 15;
constexpr std::array<std::uint16_t, 4> kParameterMasks{kMaskA, 3, 12, 256};
constexpr std::uint8_t kModuleType31 = 31;
// The protocols combo opens three times as high as a default one.
constexpr int kDefaultVisibleItems = 10;

bool blankName(const Slot_T& slot) {
    return std::all_of(slot.name.begin(), slot.name.begin() + 5, [](std::uint8_t b) { return b == 0x20; });
}

Programmer programmerAt(const QComboBox* combo, int index) {
    return combo->itemData(index).value<Programmer>();
}

// Items are kept in display-text order.
void insertSorted(QComboBox* combo, const Programmer& p) {
    const QString text = p.toString();
    int at = 0;
    while (at < combo->count() && combo->itemText(at) <= text) ++at;
    combo->insertItem(at, text, QVariant::fromValue(p));
}

QColor choiceColour(const function_parameters& fp) {
    return (fp.actual_value & fp.mask) == fp.value ? Qt::black : Qt::red;
}

}  // namespace

void EnterModule::Fill_Working_VRAK_Protocols(std::uint16_t count, bool load) {
    const ModuleStatus& st = d_.st;
    const ModuleState& mod = d_.mod;
    QWidget* container = controls().panel_Module;
    panel_.clear(container);
    const int entries = std::min<int>(count, kSlotsTableSize);

    bool matched = false;
    int newer = -1;
    QString currentName;
    if (isSlotModule(mod.Mod_SoftwareType)) {
        QComboBox* protocols = panel_.addCombo(container);
        protocols->setMaxVisibleItems(3 * kDefaultVisibleItems);
        {
            const QSignalBlocker block(protocols);
            for (int i = 0; i < entries; ++i) {
                const Slot_T& slot = d_.tables.SlotsTable[static_cast<std::size_t>(i)];
                if (blankName(slot)) continue;
                if (slot.module_type != mod.Mod_SoftwareType ||
                    slot.module_version != mod.Mod_SoftwareVersion)
                    continue;
                const bool grouped =
                    slot.group < kGroupFlags && d_.tables.WorkingProtocolsGroups_Table[slot.group] == 1;
                if (!grouped && mod.Mod_SoftwareType != kModuleA1) continue;
                // An older or equal version of the same decoder gives way to this one.
                for (int j = protocols->count() - 1; j >= 0; --j) {
                    const Programmer q = programmerAt(protocols, j);
                    if (q.Decode_type == slot.decoder_type && q.Decode_version <= slot.version)
                        protocols->removeItem(j);
                }
                insertSorted(protocols, Programmer::fromSlot(slot));
            }
            protocols->setCurrentIndex(-1);
        }
        QObject::connect(protocols, &QComboBox::currentIndexChanged, protocols,
                         [this] { comboBox_Protocols_SelectedIndexChanged(); });

        int newerVersion = -1;
        for (int j = 0; j < protocols->count(); ++j) {
            const Programmer p = programmerAt(protocols, j);
            if (p.Mod_type != mod.Mod_SoftwareType || p.Mod_version != mod.Mod_SoftwareVersion) continue;
            if (p.Decode_type != st.Mdl_Selected_Decode) continue;
            if (p.Decode_version == st.Mdl_Selected_Decode_Version) {
                protocols->setCurrentIndex(j);
                if (!load) {
                    setComboTextColour(protocols, Qt::black);
                    d_.st.ProtocolSelected = static_cast<std::uint8_t>(j);
                }
                currentName = p.Decode_description;
                matched = true;
            } else if (p.Decode_version > st.Mdl_Selected_Decode_Version && p.Decode_version > newerVersion) {
                newer = j;
                newerVersion = p.Decode_version;
            }
        }
    }
    if (!matched) {
        d_.st.Decode_toSet = st.Mdl_Selected_Decode;
        d_.st.ParA_toSet = st.Mdl_Selected_Parameter_A;
        d_.st.ParB_C_toSet = st.Mdl_Selected_Parameter_B_C;
    }
    addParameterCombos(load);
    enableModuleButtons(count > 0);

    d_.ms.EnterModule_state = MODULE_OPERATION_END;
    if (newer < 0) return;
    const Dialogs::Answer answer = d_.dialogs.message(
        QStringLiteral("A newer ") + currentName +
            QStringLiteral(
                " protocol has been found.\r\nSet it?\r\n\r\nPress 'Cancel' to leave the actual version."),
        QStringLiteral("Protocol version check"), Dialogs::Buttons::OkCancel, Dialogs::Icon::Warning);
    if (answer != Dialogs::Ok) return;
    // The panel may have been cleared while the question was open.
    if (QComboBox* protocols = panel_.combo(0); protocols != nullptr && newer < protocols->count()) {
        protocols->setCurrentIndex(newer);
        d_.ms.EnterModule_state = MODULE_SETUP;
    }
}

void EnterModule::addParameterCombos(bool load) {
    const ModuleStatus& st = d_.st;
    const ModuleParameterWords current{st.Mdl_Selected_Parameter_A, st.Mdl_Selected_Parameter_B_C};
    std::optional<ModuleParameterWords> loaded;
    if (load)
        loaded = ModuleParameterWords{st.Load_Mdl_Selected_Parameter_A, st.Load_Mdl_Selected_Parameter_B_C};
    const ModuleParameterWords shown = load ? *loaded : current;
    ProductDatabase db = database();
    for (const std::uint16_t m : kParameterMasks) {
        const bool groupA = m == kMaskA;
        const std::uint32_t groupMask =
            groupA ? d_.mod.Mdl_Selected_MaxParameter_A : (st.Mdl_Selected_MaxParameter_B_C & m);
        const std::vector<function_parameters> items =
            db.moduleParameterGroup(d_.mod.Mod_index, groupMask, groupA, current, loaded);
        if (items.empty()) continue;
        QComboBox* combo = panel_.addCombo(controls().panel_Module);
        if (combo == nullptr) return;
        {
            const QSignalBlocker block(combo);
            for (const function_parameters& fp : items) combo->addItem(fp.name, QVariant::fromValue(fp));
            combo->setCurrentIndex(-1);
        }
        if (groupA) {
            QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                             [this] { comboBox_Parameters_A_SelectedIndexChanged(); });
            parameterA_ = combo;
        } else {
            QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                             [this] { comboBox_Parameters_B_C_SelectedIndexChanged(); });
        }
        const std::uint32_t value = (groupA ? shown.A : shown.B_C) & m;
        for (int j = 0; j < combo->count(); ++j) {
            const function_parameters fp = combo->itemData(j).value<function_parameters>();
            if ((fp.mask & fp.value) == value) {
                combo->setCurrentIndex(j);
                break;
            }
        }
    }
}

void EnterModule::enableModuleButtons(bool on) {
    const ModuleControls& c = controls();
    c.button_SetProtocol->setEnabled(on);
    c.button_ReadProtocols->setEnabled(on);
    if (on) d_.view.setReadSetAllEnabled(true);
}

void EnterModule::comboBox_Protocols_SelectedIndexChanged() {
    QComboBox* protocols = isSlotModule(d_.mod.Mod_SoftwareType) ? panel_.combo(0) : nullptr;
    if (protocols == nullptr || protocols->currentIndex() < 0) return;
    const Programmer p = programmerAt(protocols, protocols->currentIndex());
    if (p.Mod_type != d_.mod.Mod_SoftwareType || p.Mod_version != d_.mod.Mod_SoftwareVersion) {
        protocols->setCurrentIndex(d_.st.previous_ProtocolSelectedIndex);
        d_.log.appendLog(QStringLiteral("Protocol error!") + kCrLf);
        return;
    }
    ModuleStatus& st = d_.st;
    st.FileProtocolPath = p.filename;
    const qsizetype cut =
        std::max(p.filename.lastIndexOf(QLatin1Char('\\')), p.filename.lastIndexOf(QLatin1Char('/')));
    QLineEdit* path = controls().textBox_protocolPath;
    path->setText(p.filename.mid(cut + 1));
    path->setToolTip(plainToolTip(p.filename));
    st.Decode_toSet = p.Decode_type;
    st.Slot_toSet = p.Decode_number;
    st.Decode_Version_toSet = p.Decode_version;
    ModuleProtSetComboTextColor(true);
}

void EnterModule::ModuleProtSetComboTextColor(bool flag) {
    QComboBox* protocols = isSlotModule(d_.mod.Mod_SoftwareType) ? panel_.combo(0) : nullptr;
    if (protocols == nullptr) return;
    const bool changed = flag && protocols->currentIndex() != d_.st.ProtocolSelected;
    setComboTextColour(protocols, changed ? Qt::red : Qt::black);
}

// The parameter A combo is the one built for the A group.
void EnterModule::comboBox_Parameters_A_SelectedIndexChanged() {
    d_.st.ParA_toSet = 0;
    QComboBox* combo = parameterA_;
    if (combo == nullptr || combo->currentIndex() < 0) return;
    const function_parameters fp = combo->currentData().value<function_parameters>();
    d_.st.ParA_toSet = static_cast<std::uint16_t>(fp.mask & fp.value);
    setComboTextColour(combo, choiceColour(fp));
}

void EnterModule::comboBox_Parameters_B_C_SelectedIndexChanged() {
    const std::uint8_t type = d_.mod.Mod_SoftwareType;
    const int first = isSlotModule(type) || type == kModuleType31 ? 1 : 0;
    std::uint32_t sum = 0;
    for (int pos = first; pos < panel_.count(); ++pos) {
        QComboBox* combo = panel_.combo(pos);
        if (combo->currentIndex() < 0 ||
            combo->currentData().metaType() != QMetaType::fromType<function_parameters>())
            continue;
        const function_parameters fp = combo->currentData().value<function_parameters>();
        sum += fp.mask & fp.value;
        setComboTextColour(combo, choiceColour(fp));
    }
    d_.st.ParB_C_toSet = static_cast<std::uint16_t>(sum);
}

}  // namespace dravik
