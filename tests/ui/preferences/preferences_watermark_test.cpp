// The Frame and Watermark pages and their choosers, built on their own offscreen.
#include "support/ui_fakes.h"
#include "texts/language_table.h"
#include "ui/preferences/colour_list.h"
#include "ui/preferences/preferences_choosers.h"
#include "ui/preferences/preferences_sections.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>

namespace dravik {
namespace {

class WatermarkPageTest : public testing::Test, public test::WindowParts {
  public:
    void SetUp() override {
        LoadLanguageTable("");
        ApplyDefaults(settings, false, {});
    }
    // Builds both pages from the settings as they stand.
    void build() {
        PreferencesPageContext context{&parent, rows, settings, ctx, {}};
        BuildFramePage(context);
        watermark = BuildWatermarkPage(context);
        rows.fill(settings);
    }
    PreferencesRow& row(const char* name) {
        PreferencesRow* found = rows.find(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

    QWidget parent;
    PreferencesRows rows;
    QWidget* watermark = nullptr;
};

TEST_F(WatermarkPageTest, WatermarkTypeShowsOnlyItsPageAndScaleStaysHidden) {
    build();
    parent.show();
    QComboBox* type = row("Watermark/Do Watermark").combo;
    struct Case {
        int type;
        bool text, image;
    };
    for (const Case c : {Case{1, true, false}, Case{2, false, true}, Case{0, false, false}}) {
        type->setCurrentIndex(c.type);
        EXPECT_EQ(row("Watermark/Text").label->isVisible(), c.text) << c.type;
        EXPECT_EQ(row("Watermark/Image").label->isVisible(), c.image) << c.type;
    }
    type->setCurrentIndex(1);
    EXPECT_EQ(row("Watermark/Text Size").combo->count(), 1);
    EXPECT_FALSE(row("Watermark/Text Scale").label->isVisible());

    QComboBox* frame = row("Frame/Do Frame").combo;
    frame->setCurrentIndex(1);
    EXPECT_TRUE(row("Frame/Solid Left").label->isVisible());
    frame->setCurrentIndex(0);
    EXPECT_FALSE(row("Frame/Solid Left").label->isVisible());
}

TEST_F(WatermarkPageTest, ColourListsNameColoursAndChoosingAListedOneOnlySelectsIt) {
    settings.watermark.fontColor = "1A2B3C";
    build();
    QComboBox* colours = row("Watermark/Font Color").combo;
    EXPECT_EQ(colours->currentText(), "Color #1A2B3C");

    const std::string before = settings.watermark.backColors;
    QComboBox* back = row("Watermark/Back Color").combo;
    const int items = back->count();
    rows.setColourChooser([](const QColor&) { return QColor(0xff, 0x80, 0x00); });
    row("Watermark/Back Color").button->click();
    EXPECT_EQ(settings.watermark.backColors, before);
    EXPECT_EQ(back->count(), items);
    EXPECT_EQ(back->currentText(), "Orange");

    rows.setColourChooser([](const QColor&) { return QColor(0x12, 0x34, 0x56); });
    row("Watermark/Back Color").button->click();
    EXPECT_EQ(settings.watermark.backColors, before + ",123456");
    EXPECT_EQ(back->currentText(), "Color #123456");
    rows.store(settings);
    EXPECT_EQ(settings.watermark.backColor, "123456");
}

TEST_F(WatermarkPageTest, FontAndImageChoosersFillTheirRows) {
    build();
    QFont chosen("Liberation Serif");
    chosen.setPointSize(22);
    chosen.setBold(true);
    chosen.setItalic(true);
    QString filters;
    ASSERT_TRUE(SetWatermarkPageChoosers(
        watermark, [&](const QFont&) { return chosen; },
        [&](const QString&, const QString&, const QString& f) {
            filters = f;
            return QString("/tmp/mark.png");
        }));
    row("Watermark/Font").button->click();
    EXPECT_EQ(row("Watermark/Font").combo->currentText(), "Liberation Serif");
    EXPECT_EQ(settings.watermark.fonts, "Arial,Tahoma,Verdana,Liberation Serif");
    EXPECT_EQ(row("Watermark/Font Size").field->text(), "22");
    EXPECT_EQ(row("Watermark/Font Style").combo->currentIndex(), 3);

    row("Watermark/Image").button->click();
    EXPECT_EQ(row("Watermark/Image").field->text(), "/tmp/mark.png");
    EXPECT_TRUE(filters.startsWith("All Supported Files (*.png *.bmp *.rle *.dib *.jpg"));
    EXPECT_TRUE(filters.endsWith(";;All Files (*.*)"));
}

// The platform's font dialog opens on the row's font as it is drawn, in the
// size and style of the rows; confirming it unchanged keeps the name.
TEST_F(WatermarkPageTest, FontDialogOpensOnTheSelectedFontAndSize) {
    build();
    parent.show();
    row("Watermark/Font").combo->setCurrentIndex(1); // Tahoma
    row("Watermark/Font Size").field->setText("20");
    row("Watermark/Font Style").combo->setCurrentIndex(1); // bold
    const std::string fontsBefore = settings.watermark.fonts;
    for (bool confirm : {false, true}) {
        QFont shown;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFontDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            shown = dialog->currentFont();
            confirm ? dialog->accept() : dialog->reject();
        });
        row("Watermark/Font").button->click();
        EXPECT_EQ(shown.family(), QFontInfo(QFont("Tahoma")).family());
        EXPECT_EQ(shown.pointSize(), 20);
        EXPECT_TRUE(shown.bold());
        EXPECT_EQ(row("Watermark/Font").combo->currentText(), "Tahoma");
        EXPECT_EQ(settings.watermark.fonts, fontsBefore);
        EXPECT_EQ(row("Watermark/Font Size").field->text(), "20");
    }
}

TEST_F(WatermarkPageTest, HostileSettingsOpenShowingBlack) {
    settings.watermark.fontColor = "ZZZZZZ";
    settings.watermark.backColor = std::string(40, 'F');
    settings.frame.solidLeftColor = "ZZZZZZ";
    settings.watermark.doWatermark = 200;
    std::string fonts;
    for (int i = 0; i < 10000; ++i)
        fonts += "Font " + std::to_string(i) + ",";
    settings.watermark.fonts = fonts;
    settings.watermark.fontColors = fonts;
    build();
    EXPECT_EQ(row("Watermark/Font Color").combo->currentText(), "Black");
    EXPECT_EQ(row("Watermark/Back Color").combo->currentText(), "Black");
    EXPECT_EQ(row("Watermark/Do Watermark").combo->currentIndex(), 0);
    rows.store(settings);
    EXPECT_EQ(settings.watermark.fontColor, "000000");
}

} // namespace
} // namespace dravik
