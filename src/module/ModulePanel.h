#pragma once
// The module panel: a column of combo boxes, the protocols combo first on a slot module, then one
// combo per module parameter group. Each is 230 x 21 at x = 20, y = 20 + 25 x its position and is
// named comboBox_Module_<position> for scripts. The window may delete the container's children on
// its own (clearing the form); the panel notices that and counts as empty from then on.

#include <QPointer>
#include <vector>

class QComboBox;
class QWidget;

namespace dravik {

class ModulePanel {
  public:
    static constexpr int kCapacity = 100;
    static constexpr int kX = 20;
    static constexpr int kTop = 20;
    static constexpr int kPitch = 25;
    static constexpr int kWidth = 230;
    static constexpr int kHeight = 21;

    // Removes every control from the container and forgets the combos.
    void clear(QWidget* container);
    // A new, empty combo at the next position; nullptr when the list is full.
    QComboBox* addCombo(QWidget* container);

    // ComboBoxList_Module: the combos that still exist, in position order.
    int count();
    QComboBox* combo(int position);

  private:
    void prune();
    std::vector<QPointer<QComboBox>> ComboBoxList_Module;
};

}  // namespace dravik
