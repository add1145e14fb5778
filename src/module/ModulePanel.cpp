#include "module/ModulePanel.h"

#include <QComboBox>
#include <QFont>
#include <QWidget>
#include <algorithm>

namespace dravik {

void ModulePanel::clear(QWidget* container) {
    for (QPointer<QComboBox>& c : ComboBoxList_Module) delete c.data();
    ComboBoxList_Module.clear();
    if (container == nullptr) return;
    const auto children = container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* w : children) delete w;
}

QComboBox* ModulePanel::addCombo(QWidget* container) {
    prune();
    if (static_cast<int>(ComboBoxList_Module.size()) >= kCapacity) return nullptr;
    const int position = static_cast<int>(ComboBoxList_Module.size());
    auto* combo = new QComboBox(container);
    combo->setObjectName(QStringLiteral("comboBox_Module_%1").arg(position));
    combo->setGeometry(kX, kTop + kPitch * position, kWidth, kHeight);
    combo->setFocusPolicy(Qt::StrongFocus);
    if (container != nullptr) {
        // The content widget grows with its rows so that the scrolling panel can reach them all.
        const int bottom = kTop + kPitch * position + kHeight + kTop;
        if (container->minimumHeight() < bottom) container->setMinimumHeight(bottom);
        if (container->height() < bottom) container->resize(container->width(), bottom);
    }
    combo->show();
    ComboBoxList_Module.emplace_back(combo);
    return combo;
}

void ModulePanel::prune() {
    std::erase_if(ComboBoxList_Module, [](const QPointer<QComboBox>& c) { return c.isNull(); });
}

int ModulePanel::count() {
    prune();
    return static_cast<int>(ComboBoxList_Module.size());
}

QComboBox* ModulePanel::combo(int position) {
    prune();
    if (position < 0 || position >= static_cast<int>(ComboBoxList_Module.size())) return nullptr;
    return ComboBoxList_Module[static_cast<std::size_t>(position)];
}

}  // namespace dravik
