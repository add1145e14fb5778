#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "product/ProductPanel.h"

using namespace dravik;

// The panel is on screen when a product connects: every control added then must show itself.
TEST(ProductPanelWidgets, RowsBuiltIntoAShownPanelAreVisible) {
    QWidget container;
    container.resize(500, 400);
    container.show();

    ProductFunctions functions;
    functions.baseNameKey = 1;
    auto addRow = [&](std::int32_t key, const char* name, std::uint16_t kind) {
        FunctionRow row;
        row.nameKey = key;
        row.name = QString::fromLatin1(name);
        FunctionLocation loc;
        loc.length = 1;
        loc.mask = 0x03;
        loc.address = 0x10;
        loc.func_id = kind;
        row.location = loc;
        row.items.emplace_back(QStringLiteral("On"), 1u, 1u, 1u, std::uint16_t{0x10}, std::uint16_t{1}, 0x03u, kind,
                               std::uint16_t{1}, std::uint16_t{0}, std::uint16_t{0});
        functions.rows.push_back(row);
    };
    addRow(1, "Siren", FN_LIST);
    addRow(2, "Entry code", FN_DIGITS);

    ProductPanel panel;
    panel.build(&container, functions);
    auto* label = container.findChild<QLabel*>("label_Function_1");
    auto* combo = container.findChild<QComboBox*>("comboBox_Function_1");
    auto* text = container.findChild<QLineEdit*>("textBox_Function_2");
    auto* button = container.findChild<QPushButton*>("button_Function_2");
    ASSERT_TRUE(label && combo && text && button);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), "01 - Siren");
    EXPECT_TRUE(combo->isVisible());
    EXPECT_TRUE(text->isVisible());
    EXPECT_TRUE(button->isVisible());
    EXPECT_FALSE(container.findChild<QLineEdit*>("textBox_Function_1")->isVisible());
}
