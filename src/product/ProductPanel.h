#pragma once
// The product panel: one row of controls per product function, built into a container widget.
// Every row has a label, a drop-down list, a button and a text box (named label_Function_N,
// comboBox_Function_N, button_Function_N, textBox_Function_N for the 1-based row N); the function
// kind decides which are shown. The row's items (function_parameters) are kept here, the same
// index addressing the same entry of the drop-down list.
//
// The window may delete the container's children on its own (clearing the form); the panel
// notices that and counts as empty from then on.

#include <QColor>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

#include "database/FunctionParameters.h"
#include "database/ProductDatabase.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace dravik {

// The text colour of a drop-down list (its edit field and its button face).
void setComboTextColour(QComboBox* combo, const QColor& colour);

class ProductPanel {
  public:
    // Row geometry and look.
    static constexpr int kTop = 20;
    static constexpr int kRowPitch = 25;
    static constexpr const char* kUnexpectedValue = "Unexpected value!";

    struct Row {
        QPointer<QLabel> label;
        QPointer<QComboBox> combo;
        QPointer<QPushButton> button;
        QPointer<QLineEdit> text;
        std::vector<function_parameters> items;
        // The items as the database gave them: a pass starts from these again.
        std::vector<function_parameters> builtItems;
        QString name;
        QString unusableReason;  // empty when the row can be read and written
        bool known = false;      // the items' actual_value was read from the product
        std::uint16_t kind() const { return items.empty() ? std::uint16_t{0} : items.front().func_id; }
    };

    // Called with the row index: a selection committed by the user, a button pressed, a text changed.
    std::function<void(int)> onSelectionCommitted;
    std::function<void(int)> onButtonClicked;
    std::function<void(int)> onTextChanged;

    // Removes every control from the container and forgets the rows.
    void clear(QWidget* container);
    // Builds the rows of the functions; rows that cannot be used show why and are not read.
    void build(QWidget* container, const ProductFunctions& functions);
    // The same in slices, so that a long panel does not hold the window: beginBuild clears the
    // container, each buildRows adds up to count rows, and the last one fits the buttons. True
    // when every row is built.
    void beginBuild(QWidget* container);
    bool buildRows(QWidget* container, const ProductFunctions& functions, int count);
    // Every row as build left it, with its controls kept: no value shown, the default colours,
    // the items as the database gave them. A read pass starts from this.
    void resetValues();

    // Rows whose controls still exist (0 when the window cleared the container).
    int rowCount();
    Row& row(int index) { return rows_[static_cast<std::size_t>(index)]; }

    // The selected item of a list row, or -1.
    int selectedIndex(int index);
    void select(int index, int item);
    // Shows "Unexpected value!" in a list row: no item selected.
    void showUnexpected(int index);
    // Shows no value in the row (what the product holds is not known).
    void forgetValue(int index);
    void setListColour(int index, const QColor& colour);
    void setTextColour(int index, const QColor& colour);
    QColor listColour(int index);
    QColor textColour(int index);
    QString text(int index);
    void setText(int index, const QString& text);
    // The row's caption as the panel shows it ("01 - Siren").
    QString caption(int index);

    // "01 - ", "30 - ": the row number from the function name key and the first row's key.
    static QString rowPrefix(std::int32_t nameKey, std::int32_t baseNameKey);

  private:
    void prune();
    std::vector<Row> rows_;
};

}  // namespace dravik
