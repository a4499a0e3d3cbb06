#include "texts/language_table.h"
#include "ui/uninstall_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace dravik {
namespace {

TEST(UninstallDialogTest, LayoutAndTexts) {
    LoadLanguageTable("");
    UninstallDialog dialog([](const QString&) {});
    EXPECT_EQ(dialog.size(), QSize(300, 100));
    EXPECT_EQ(dialog.windowTitle(), "Uninstall");
    EXPECT_EQ(dialog.checkBox()->geometry(), QRect(30, 20, 250, 20));
    EXPECT_EQ(dialog.checkBox()->text(), "Full Uninstall - Visit Uninstall Center");
    EXPECT_TRUE(dialog.checkBox()->isChecked());
    EXPECT_EQ(dialog.nextButton()->geometry(), QRect(200, 60, 80, 25));
    EXPECT_EQ(dialog.nextButton()->text(), "Next");
}

TEST(UninstallDialogTest, NextOpensThePageOnlyWhenChecked) {
    LoadLanguageTable("");
    for (bool checked : {true, false}) {
        QStringList opened;
        UninstallDialog dialog([&](const QString& url) { opened << url; });
        dialog.show();
        dialog.checkBox()->setChecked(checked);
        QTest::mouseClick(dialog.nextButton(), Qt::LeftButton);
        EXPECT_FALSE(dialog.isVisible());
        QStringList expected;
        if (checked)
            expected << "http://www.tolvenor.example/uninstall.html";
        EXPECT_EQ(opened, expected);
    }
}

} // namespace
} // namespace dravik
