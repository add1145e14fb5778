// The About dialog: sorted product list, version label, and OK as the only way out.
#include "app/About.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>

namespace dravik {
namespace {

QStringList texts(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

TEST(AboutDialog, ProductListIsAlphabeticalWhateverTheOrderOfEntry) {
    About about;
    QStringList shown = texts(about.listBoxProducts);
    EXPECT_EQ(shown.size(), 7);
    QStringList sorted = shown;
    sorted.sort();
    EXPECT_EQ(shown, sorted);

    about.listBoxProducts->addItem(QStringLiteral("Aaa first"));
    EXPECT_EQ(about.listBoxProducts->item(0)->text(), QStringLiteral("Aaa first"));
}

TEST(AboutDialog, VersionLabelShowsMajorMinorBuild) {
    About about;
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Ver: \\d+\\.\\d+\\.\\d+$"))
                    .match(about.labelVer->text())
                    .hasMatch())
        << about.labelVer->text().toStdString();
}

TEST(AboutDialog, OnlyOkClosesIt) {
    About about;
    EXPECT_TRUE(about.isModal());
    EXPECT_FALSE(about.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    about.show();
    QCoreApplication::processEvents();

    about.reject();
    EXPECT_TRUE(about.isVisible());
    EXPECT_FALSE(about.close());
    EXPECT_TRUE(about.isVisible());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&about, &escape);
    EXPECT_TRUE(about.isVisible());

    about.buttonOk->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace dravik
