// How the window reads: captions that fit, controls clear of group frames, one font size for the
// panel's buttons, a readable window under a dark application palette, and a window kept on screen.
#include "app/ui/Looks.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include "app/DownloadViewUi.h"
#include "script/ScriptControls.h"
#include "app/TabPages.h"
#include "product/ProductPanel.h"

namespace dravik {
namespace {

// Widgets whose caption does not fit, and widgets that reach over their group's title or frame.
QStringList lookProblems(QWidget* root) {
    QStringList problems;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap() && label->pixmap().isNull()) {
            if (fm.horizontalAdvance(label->text()) > label->contentsRect().width())
                problems << QStringLiteral("clipped label %1 \"%2\"").arg(w->objectName(), label->text());
        } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
            if (check->sizeHint().width() > check->width())
                problems << QStringLiteral("clipped check box %1 \"%2\"").arg(w->objectName(), check->text());
        } else if (auto* button = qobject_cast<QPushButton*>(w); button && !button->text().isEmpty()) {
            if (fm.horizontalAdvance(scripting::plainCaption(button->text())) + 8 > button->width())
                problems << QStringLiteral("clipped button %1 \"%2\"").arg(w->objectName(), button->text());
        }
        if (auto* group = qobject_cast<QGroupBox*>(w->parentWidget())) {
            const QRect inside = group->contentsRect();
            if (w->y() < inside.top() || w->geometry().bottom() > inside.bottom())
                problems
                    << QStringLiteral("%1 over the frame of %2").arg(w->objectName(), group->objectName());
        }
    }
    return problems;
}

class Looks : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        ui.setupUi(&window);
        applyInitialLayout(ui, &window, GetParam());
        window.show();
        QCoreApplication::processEvents();
    }
    void TearDown() override { scripting::applyTheme(false); }

    QMainWindow window;
    DownloadViewUi ui;
};

TEST_P(Looks, EveryCaptionFitsAndNoControlSitsOnAFrameLine) {
    const QStringList problems = lookProblems(&window);
    EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
}

// A dark desktop theme gives light texts; the window's fixed light backgrounds keep dark texts.
TEST_P(Looks, ADarkApplicationPaletteLeavesTheWindowReadable) {
    scripting::applyTheme(true);
    QCoreApplication::processEvents();
    ASSERT_LT(QApplication::palette().color(QPalette::Window).lightness(), 100);
    const auto contrast = [](const QColor& a, const QColor& b) {
        return std::abs(a.lightness() - b.lightness());
    };
    for (QWidget* w : {static_cast<QWidget*>(ui.Car_programmer), ui.panel_ProductContent,
                       static_cast<QWidget*>(ui.label_Module->parentWidget())}) {
        SCOPED_TRACE(w->objectName().toStdString());
        const QPalette p = w->palette();
        EXPECT_GT(contrast(p.color(QPalette::Active, QPalette::Window),
                           p.color(QPalette::Active, QPalette::WindowText)),
                  120);
    }
    const QPalette log = ui.statusBox_car->palette();
    EXPECT_GT(
        contrast(log.color(QPalette::Active, QPalette::Base), log.color(QPalette::Active, QPalette::Text)),
        120);
    const QPalette button = ui.buttonStopProcess->palette();
    EXPECT_GT(contrast(button.color(QPalette::Active, QPalette::Button),
                       button.color(QPalette::Active, QPalette::ButtonText)),
              120);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Looks, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Developer" : "Standard"; });

// The developer layout's place (-100, 0) hides the menus on a desktop; the window comes back.
TEST(LooksOnScreen, AWindowPartlyOffTheScreenIsMovedOntoIt) {
    QWidget window;
    window.resize(300, 200);
    window.move(-100, -20);
    window.show();
    QCoreApplication::processEvents();
    ui::keepOnScreen(&window);
    const QRect area = window.screen()->availableGeometry();
    EXPECT_TRUE(area.contains(window.frameGeometry().topLeft())) << window.frameGeometry().x();
    EXPECT_TRUE(area.contains(window.frameGeometry()))
        << "a window smaller than the screen lies wholly on it";
}

// Button captions in the three languages of the sample database: each fits its button, and all the
// panel's buttons use one font size.
TEST(LooksPanel, ButtonsShowWholeNamesInOneFontSize) {
    struct Names {
        const char* language;
        const char* action;
        const char* code;
        const char* duration;
    };
    const Names languages[] = {
        {"English", "Clear remote controls", "Entry code", "Alarm duration (s)"},
        {"Italian", "Cancella telecomandi", "Codice di accesso", "Durata allarme (s)"},
        {"French", "Effacer les télécommandes", "Code d'entrée", "Durée de l'alarme (s)"},
    };
    for (const Names& n : languages) {
        SCOPED_TRACE(n.language);
        QWidget container;
        container.setFont(QFont(QApplication::font().family(), 9));
        container.resize(507, 440);
        ProductFunctions functions;
        functions.baseNameKey = 1;
        std::int32_t key = 1;
        auto addRow = [&](const char* name, std::uint16_t kind, int textLength) {
            FunctionRow row;
            row.nameKey = key++;
            row.name = QString::fromUtf8(name);
            FunctionLocation loc;
            loc.length = 2;
            loc.mask = 0xFFFF;
            loc.func_id = kind;
            loc.textLength = textLength;
            row.location = loc;
            row.items.emplace_back(QString(), 0u, 0u, 9999u, std::uint16_t{0x10}, std::uint16_t{2}, 0xFFFFu,
                                   kind, std::uint16_t{1}, std::uint16_t{0}, std::uint16_t{0});
            functions.rows.push_back(row);
        };
        addRow(n.code, FN_DIGITS, 4);
        addRow(n.duration, FN_DIGITS, 3);
        addRow(n.action, FN_ACTION, 0);
        ProductPanel panel;
        panel.build(&container, functions);
        container.show();
        QCoreApplication::processEvents();
        QList<qreal> sizes;
        for (QPushButton* b : container.findChildren<QPushButton*>()) {
            if (!b->isVisible()) continue;
            sizes << b->font().pointSizeF();
            EXPECT_EQ(b->toolTip(), b->text());
            EXPECT_LE(b->geometry().right(), container.width()) << b->text().toStdString();
        }
        ASSERT_EQ(sizes.size(), 3);
        EXPECT_EQ(sizes.count(sizes.first()), sizes.size()) << "font sizes differ";
        const QStringList problems = lookProblems(&container);
        EXPECT_TRUE(problems.isEmpty()) << problems.join("\n").toStdString();
    }
}

}  // namespace
}  // namespace dravik
