// The "Protocol selection" page: the checked list of all slots of the module and the group list
// that checks them by group.

#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>

#include "module/EnterModule.h"
#include "module/Programmer.h"

namespace dravik {

namespace {
constexpr int kGroupRole = Qt::UserRole;
constexpr int kProgrammerRole = Qt::UserRole;

Programmer programmerOf(const QListWidgetItem* item) {
    return item->data(kProgrammerRole).value<Programmer>();
}
}  // namespace

void EnterModule::wireLists(const ModuleControls& c) {
    if (wiredList_ == c.checkedListBox_ProtocolSelection) return;
    wiredList_ = c.checkedListBox_ProtocolSelection;
    QListWidget* list = c.checkedListBox_ProtocolSelection;
    QObject::connect(list, &QListWidget::itemChanged, list, [this, list](QListWidgetItem* item) {
        checkedListBox_ProtocolSelection_ItemCheck(list->row(item), item->checkState() == Qt::Checked);
    });
    QListWidget* groups = c.listBox_selectDeselect_group;
    QObject::connect(groups, &QListWidget::itemSelectionChanged, groups,
                     [this] { listBox_selectDeselect_group_SelectedIndexChanged(); });
    QObject::connect(c.checkBox_AllGroup, &QCheckBox::clicked, c.checkBox_AllGroup,
                     [this] { checkBox_AllGroup_Click(); });
}

void EnterModule::Fill_All_VRAK_Protocols(std::uint16_t count) {
    const ModuleControls& c = controls();
    QListWidget* list = c.checkedListBox_ProtocolSelection;
    QListWidget* groups = c.listBox_selectDeselect_group;
    {
        const QSignalBlocker blockList(list);
        const QSignalBlocker blockGroups(groups);
        list->clear();
        groups->clear();
    }
    d_.tables.SelectionProtocolsGroups_Table.fill(0);
    const int entries = std::min<int>(count, kSlotsTableSize);
    const auto& all = d_.tables.All_SlotsTable;
    const auto begin = all.begin();
    const auto end = all.begin() + entries;
    {
        const QSignalBlocker blockList(list);
        for (auto it = begin; it != end; ++it) {
            // Only the highest version of a decoder type is offered; equal versions all are.
            const bool superseded = std::any_of(begin, end, [&](const Slot_T& other) {
                return other.decoder_type == it->decoder_type && other.version > it->version;
            });
            if (superseded) continue;
            Programmer p = Programmer::fromSlot(*it);
            p.Mod_type = d_.mod.Mod_SoftwareType;
            p.Mod_version = d_.mod.Mod_SoftwareVersion;
            auto* item = new QListWidgetItem(p.toString(), list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState((p.Slot_mem1 & 1) != 0 ? Qt::Checked : Qt::Unchecked);
            item->setData(kProgrammerRole, QVariant::fromValue(p));
        }
    }
    ProductDatabase db = database();
    {
        const QSignalBlocker blockGroups(groups);
        for (auto it = begin; it != end; ++it) {
            const std::uint8_t g = it->group;
            if (g == 0 || g >= kGroupFlags || d_.tables.SelectionProtocolsGroups_Table[g] == 1) continue;
            d_.tables.SelectionProtocolsGroups_Table[g] = 1;
            const Group group = db.groupName(g);
            auto* item = new QListWidgetItem(group.toString(), groups);
            item->setData(kGroupRole, QVariant::fromValue(group));
        }
    }
    c.button_Set_Selected_Protocols->setEnabled(count > 0);
    c.button_Read_All_Protocols->setEnabled(count > 0);
}

// The item's check mark and bit 0 of its first slot state byte move together.
void EnterModule::checkedListBox_ProtocolSelection_ItemCheck(int row, bool checked) {
    QListWidgetItem* item = controls().checkedListBox_ProtocolSelection->item(row);
    if (item == nullptr) return;
    Programmer p = programmerOf(item);
    const std::uint8_t mem1 =
        checked ? static_cast<std::uint8_t>(p.Slot_mem1 | 1) : static_cast<std::uint8_t>(p.Slot_mem1 & ~1);
    if (mem1 == p.Slot_mem1) return;
    p.Slot_mem1 = mem1;
    QListWidget* list = controls().checkedListBox_ProtocolSelection;
    const QSignalBlocker block(list);
    item->setData(kProgrammerRole, QVariant::fromValue(p));
}

// Every item is checked exactly when its group is one of the selected groups.
void EnterModule::listBox_selectDeselect_group_SelectedIndexChanged() {
    const ModuleControls& c = controls();
    std::vector<std::uint16_t> selected;
    for (const QListWidgetItem* g : c.listBox_selectDeselect_group->selectedItems())
        selected.push_back(g->data(kGroupRole).value<Group>().Group_number);
    QListWidget* list = c.checkedListBox_ProtocolSelection;
    list->setUpdatesEnabled(false);
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const bool in =
            std::find(selected.begin(), selected.end(), programmerOf(item).Decode_group) != selected.end();
        item->setCheckState(in ? Qt::Checked : Qt::Unchecked);
    }
    list->setUpdatesEnabled(true);
}

void EnterModule::checkBox_AllGroup_Click() {
    SelectDeselect_slots(controls().checkBox_AllGroup->isChecked());
}

void EnterModule::SelectDeselect_slots(bool select) {
    QListWidget* groups = controls().listBox_selectDeselect_group;
    {
        const QSignalBlocker block(groups);
        if (select) {
            groups->selectAll();
        } else {
            groups->clearSelection();
        }
    }
    listBox_selectDeselect_group_SelectedIndexChanged();
}

}  // namespace dravik
