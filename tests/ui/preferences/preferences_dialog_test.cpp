// The preferences dialog on the offscreen platform.
#include "settings/settings.h"
#include "support/temp_dir.h"
#include "support/ui_fakes.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "themes/image_slots.h"
#include "ui/main_window.h"
#include "ui/preferences/preferences_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace dravik {
namespace {

class AnswerNo : public MessageBoxes {
  public:
    void warning(const std::string&, const std::string&) override {}
    void error(const std::string&, const std::string&) override {}
    void info(const std::string&, const std::string&) override {}
    bool askWarning(const std::string&, const std::string&) override { return ++asked, false; }
    bool askQuestion(const std::string&, const std::string&) override { return ++asked, false; }
    int asked = 0;
};

class PreferencesTest : public testing::Test, public test::WindowParts {
  public:
    void SetUp() override {
        LoadLanguageTable("");
        ApplyDefaults(settings, false, {});
        settings.configPath = dir.path() + "/config.ini";
        RegisterBuiltinImages(slots);
        SetMessageBoxes(&boxes);
    }
    void TearDown() override {
        dialog.reset();
        SetMessageBoxes(nullptr);
    }

    PreferencesDialog& open() {
        dialog = std::make_unique<PreferencesDialog>(ctx, nullptr, QIcon(),
                                                     [this](int level) { applied = level; });
        dialog->fillPreferences();
        return *dialog;
    }
    PreferencesRow& row(const char* name) {
        PreferencesRow* found = dialog->rows().find(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }

    test::TempDir dir;
    AnswerNo boxes;
    std::unique_ptr<PreferencesDialog> dialog;
    int applied = -1;
};

TEST_F(PreferencesTest, FrameHasNineSectionsAndTheStoredSectionIsUsedOnce) {
    state.preferencesSection = 5;
    PreferencesDialog& d = open();
    EXPECT_EQ(d.size(), QSize(600, 350));
    ASSERT_EQ(d.sectionList()->topLevelItemCount(), 9);
    EXPECT_EQ(d.currentSection(), 5);
    EXPECT_EQ(d.sectionTitle()->text(), "Adjustment");
    EXPECT_TRUE(d.sectionTitle()->font().bold());
    EXPECT_EQ(state.preferencesSection, 0);
    d.sectionList()->setCurrentItem(d.sectionList()->topLevelItem(8));
    EXPECT_EQ(d.sectionTitle()->text(), "Advanced");
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(d.page(i)->isVisibleTo(&d), i == 8) << i;
}

TEST_F(PreferencesTest, BitDepthAutoStoresZeroAndANumberStoresTheNumber) {
    settings.output.jpgBpp = 8;
    open();
    QComboBox* depth = row("Output/JPG BPP").combo;
    EXPECT_EQ(depth->currentText(), "8");
    EXPECT_EQ(depth->itemText(0), "Auto");
    depth->setCurrentIndex(0);
    dialog->pressOk();
    EXPECT_EQ(settings.output.jpgBpp, 0);
    open();
    depth = row("Output/JPG BPP").combo;
    depth->setCurrentIndex(depth->findText("24"));
    dialog->pressOk();
    EXPECT_EQ(settings.output.jpgBpp, 24);
}

TEST_F(PreferencesTest, TypedSpinTextIsClampedIntoSpinAndTrack) {
    open();
    dialog->showSection(3);
    PreferencesRow& quality = row("Output/JPG Quality");
    auto* spin = static_cast<QSpinBox*>(quality.spin);
    spin->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(spin, "150");
    EXPECT_EQ(spin->value(), 100);
    EXPECT_EQ(quality.track->value(), 100);

    dialog->showSection(5);
    PreferencesRow& gamma = row("Adjustment/Image Gamma");
    auto* real = static_cast<QDoubleSpinBox*>(gamma.spin);
    real->findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(real, "2.5");
    QTest::keyClick(real, Qt::Key_Return);
    EXPECT_EQ(gamma.track->value(), 250);
    EXPECT_EQ(real->text(), "2.50");
    gamma.track->setValue(7);
    EXPECT_EQ(real->text(), "0.07");
}

TEST_F(PreferencesTest, ColourCorrectionFollowsTheFourAdjustments) {
    struct Case {
        int brightness, contrast, gammaPosition;
        bool invert;
        uint8_t expected;
    };
    const Case cases[] = {
        {0, 0, 100, false, 0},  {0, 0, 101, false, 1}, {1, 0, 100, false, 1},
        {0, -1, 100, false, 1}, {0, 0, 100, true, 1},
    };
    for (const Case& c : cases) {
        settings.adjustment.doImageColorCorrection = c.expected == 0 ? 1 : 0;
        open();
        row("Adjustment/Image Brightness").track->setValue(c.brightness + 100);
        row("Adjustment/Image Contrast").track->setValue(c.contrast + 100);
        row("Adjustment/Image Gamma").track->setValue(c.gammaPosition);
        row("Adjustment/Image Invert").check->setChecked(c.invert);
        dialog->pressOk();
        EXPECT_EQ(settings.adjustment.doImageColorCorrection, c.expected)
            << c.brightness << " " << c.contrast << " " << c.gammaPosition;
        EXPECT_FLOAT_EQ(settings.adjustment.imageGamma, c.gammaPosition / 100.0f);
    }
}

TEST_F(PreferencesTest, RulesDisableWholeRowsAndKeepTheirValues) {
    settings.transform.doImageResize = 1;
    settings.transform.imageWidth = 640;
    settings.transform.imageResizeAlgorithm = 3;
    open();
    const char* resizeRows[] = {"Transform/Image Width", "Transform/Image Height",
                                "Transform/Keep Aspect Ratio", "Transform/Image Resize Type",
                                "Transform/Image Resize Algorithm"};
    for (const char* name : resizeRows)
        EXPECT_TRUE(row(name).control->isEnabled()) << name;
    row("Transform/Do Image Resize").check->setChecked(false);
    for (const char* name : resizeRows) {
        for (QWidget* widget : row(name).widgets)
            EXPECT_FALSE(widget->isEnabled()) << name;
    }
    dialog->pressOk();
    EXPECT_EQ(settings.transform.doImageResize, 0);
    EXPECT_EQ(settings.transform.imageWidth, 640);
    EXPECT_EQ(settings.transform.imageResizeAlgorithm, 3);
}

TEST_F(PreferencesTest, RawLoadAsEnablesTheMatchingRows) {
    struct Case {
        int loadAs;
        bool sizes, tone;
    };
    const Case cases[] = {{0, false, false}, {1, true, false}, {2, true, false},
                          {3, false, false}, {4, false, true}, {5, false, true}};
    open();
    for (const Case& c : cases) {
        row("Input/RAW Load As").combo->setCurrentIndex(c.loadAs);
        EXPECT_EQ(row("Input/RAW Header Size").field->isEnabled(), c.sizes) << c.loadAs;
        EXPECT_EQ(row("Input/RAW Image Height").label->isEnabled(), c.sizes) << c.loadAs;
        EXPECT_EQ(row("Input/RAW Tone Mapping").combo->isEnabled(), c.tone) << c.loadAs;
    }
}

TEST_F(PreferencesTest, NumbersAndTextsAreStoredCleaned) {
    open();
    row("Transform/Image Width").field->setText("");
    row("Transform/Image Height").unit->setCurrentIndex(1);
    row("Advanced/Filename Mask").field->setText("  %name%\t-\r\nx  ");
    dialog->pressOk();
    EXPECT_EQ(settings.transform.imageWidth, 0);
    EXPECT_EQ(settings.transform.imageHeightUnit, 1);
    EXPECT_EQ(settings.advanced.filenameMask, "%name%-x");
    EXPECT_EQ(settings.general.language, "en");
    EXPECT_EQ(applied, 0);
}

TEST_F(PreferencesTest, DefaultsAnsweredNoKeepsEditsAndDialog) {
    open();
    dialog->show();
    row("Advanced/Filename Mask").field->setText("edited");
    dialog->findChild<QPushButton*>("defaultsButton")->click();
    EXPECT_EQ(boxes.asked, 1);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(row("Advanced/Filename Mask").field->text(), "edited");
    EXPECT_EQ(applied, -1);
}

TEST_F(PreferencesTest, CancelAndEscStoreNothing) {
    const Settings before = settings;
    for (bool escape : {false, true}) {
        open();
        dialog->show();
        row("General/Update Range").combo->setCurrentIndex(5);
        if (escape)
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        else
            dialog->findChild<QPushButton*>("cancelButton")->click();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(settings.general.updateRange, before.general.updateRange);
    }
    EXPECT_EQ(applied, -1);
}

// Esc in an open drop-down list closes only the list; the next Esc cancels.
TEST_F(PreferencesTest, EscInAnOpenDropDownClosesOnlyTheList) {
    open();
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    QComboBox* range = row("General/Update Range").combo;
    range->setFocus();
    range->setCurrentIndex(5);
    range->showPopup();
    QWidget* popup = QApplication::activePopupWidget();
    ASSERT_NE(popup, nullptr);
    // As the key comes from the window system: to the window that has the popup.
    QTest::keyClick(popup->windowHandle(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected); // not finished yet either way
    EXPECT_EQ(range->currentIndex(), 5);

    QTest::keyClick(dialog->windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(applied, -1);
}

TEST_F(PreferencesTest, ThemeListIsSortedWithoutCaseAndRefreshLevelsCompareBeforeStoring) {
    themes = {{"beta", "Beta"}, {"Alpha", "Alpha"}, {"hidden", ""}, {"gamma", "Gamma"}};
    settings.interface.uiTheme = "gamma";
    open();
    QComboBox* theme = row("Interface/UI Theme").combo;
    ASSERT_EQ(theme->count(), 3);
    EXPECT_EQ(theme->itemText(0), "Alpha");
    EXPECT_EQ(theme->currentText(), "Gamma");
    struct Case {
        const char* theme;
        int size;
        int level;
    };
    const Case cases[] = {{"Gamma", 0, 0}, {"Gamma", 2, 2}, {"Beta", 0, 1}, {"Alpha", 3, 1}};
    for (const Case& c : cases) {
        settings.interface.uiTheme = "gamma";
        settings.interface.uiSize = 0;
        open();
        row("Interface/UI Theme").combo->setCurrentText(c.theme);
        row("Interface/UI Size").combo->setCurrentIndex(c.size);
        dialog->pressOk();
        EXPECT_EQ(applied, c.level) << c.theme << " " << c.size;
        EXPECT_EQ(state.interfaceRefresh, c.level);
    }
    themes.clear();
    open();
    ASSERT_EQ(row("Interface/UI Theme").combo->count(), 1);
    EXPECT_EQ(row("Interface/UI Theme").combo->itemText(0), "None");
}

TEST_F(PreferencesTest, HostileSettingsOpenAndShowSomethingSensible) {
    struct Case {
        const char* name;
        void (*spoil)(Settings&);
        void (*check)(PreferencesTest&);
    };
    const Case cases[] = {
        {"enum 200", [](Settings& s) { s.general.updateRange = 200; },
         [](PreferencesTest& t) {
             EXPECT_EQ(t.row("General/Update Range").combo->currentIndex(), 0);
         }},
        {"enum -1", [](Settings& s) { s.output.jpgChroma = -1; },
         [](PreferencesTest& t) {
             EXPECT_EQ(t.row("Output/JPG Chroma").combo->currentIndex(), 0);
         }},
        {"gamma NaN",
         [](Settings& s) { s.adjustment.imageGamma = std::numeric_limits<float>::quiet_NaN(); },
         [](PreferencesTest& t) {
             EXPECT_EQ(t.row("Adjustment/Image Gamma").track->value(), 100);
         }},
        {"gamma 1e30", [](Settings& s) { s.adjustment.imageGamma = 1e30f; },
         [](PreferencesTest& t) {
             EXPECT_EQ(t.row("Adjustment/Image Gamma").track->value(), 999);
         }},
        {"quality -5", [](Settings& s) { s.output.jpgQuality = -5; },
         [](PreferencesTest& t) { EXPECT_EQ(t.row("Output/JPG Quality").track->value(), 1); }},
        {"colour ZZZZZZ", [](Settings& s) { s.transform.imageRotationBackColor = "ZZZZZZ"; },
         [](PreferencesTest& t) {
             EXPECT_EQ(t.row("Transform/Image Rotation Back Color").hex->text(), "000000");
         }},
        {"colour 40 chars",
         [](Settings& s) { s.transform.imageRotationBackColor = std::string(40, 'A'); },
         [](PreferencesTest& t) {
             EXPECT_EQ(t.row("Transform/Image Rotation Back Color").hex->text(), "000000");
         }},
        {"depth 7", [](Settings& s) { s.output.jpgBpp = 7; },
         [](PreferencesTest& t) { EXPECT_EQ(t.row("Output/JPG BPP").combo->currentIndex(), 0); }},
        {"section 99", [](Settings&) {},
         [](PreferencesTest& t) { EXPECT_EQ(t.dialog->currentSection(), 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ApplyDefaults(settings, false, {});
        settings.configPath = dir.path() + "/config.ini";
        state.preferencesSection = 99;
        c.spoil(settings);
        open();
        c.check(*this);
    }
}

TEST_F(PreferencesTest, FrameAndWatermarkSectionsStoreTheirEditsOnOk) {
    settings.frame.doFrame = 0;
    settings.watermark.doWatermark = 2;
    settings.watermark.fontColors = "FF0000";
    state.preferencesSection = 6;
    open();
    dialog->show();
    QApplication::processEvents();
    EXPECT_EQ(dialog->sectionTitle()->text(), "Frame");

    // The solid frame rows appear only with "Frame Solid".
    PreferencesRow& left = row("Frame/Solid Left");
    EXPECT_FALSE(left.field->isVisible());
    row("Frame/Do Frame").combo->setCurrentIndex(1);
    EXPECT_TRUE(left.field->isVisible());
    left.field->setText("12");

    // The swatch asks the dialog's chooser; the list "..." appends to the list setting at once.
    dialog->rows().setColourChooser([](const QColor&) { return QColor(0x1A, 0x2B, 0x3C); });
    PreferencesRow& leftColour = row("Frame/Solid Left Color");
    leftColour.button->click();
    EXPECT_EQ(leftColour.hex->text(), "1A2B3C");
    PreferencesRow& fontColour = row("Watermark/Font Color");
    fontColour.button->click();
    EXPECT_EQ(fontColour.combo->currentText(), "Color #1A2B3C");
    EXPECT_EQ(settings.watermark.fontColors, "FF0000,1A2B3C");

    dialog->showSection(7);
    QApplication::processEvents();
    EXPECT_FALSE(row("Watermark/Text").field->isVisible());
    EXPECT_TRUE(row("Watermark/Image").field->isVisible());
    row("Watermark/Do Watermark").combo->setCurrentIndex(1);
    EXPECT_TRUE(row("Watermark/Text").field->isVisible());
    row("Watermark/Text").field->setText("\tTolvenor\r\n ");

    dialog->pressOk();
    EXPECT_EQ(settings.frame.doFrame, 1);
    EXPECT_EQ(settings.frame.solidLeft, 12);
    EXPECT_EQ(settings.frame.solidLeftColor, "1A2B3C");
    EXPECT_EQ(settings.watermark.doWatermark, 1);
    EXPECT_EQ(settings.watermark.fontColor, "1A2B3C");
    EXPECT_EQ(settings.watermark.text, "Tolvenor");
    EXPECT_EQ(applied, 0);
}

// Not a check of behaviour: leaves a picture of every section for a look by eye.
TEST_F(PreferencesTest, GrabsEverySectionToPictures) {
    const QString folder = QDir::temp().filePath("dravik-preferences-shots");
    ASSERT_TRUE(QDir().mkpath(folder));
    // With a frame and a text watermark chosen, so their pages show their rows.
    settings.frame.doFrame = 1;
    settings.watermark.doWatermark = 1;
    for (int i = 0; i < 9; ++i) {
        state.preferencesSection = i;
        open();
        dialog->show();
        QApplication::processEvents();
        const QPixmap shot = dialog->grab();
        EXPECT_EQ(shot.size(), QSize(600, 350));
        EXPECT_TRUE(shot.save(folder + QString("/section-%1.png").arg(i)));
    }
    std::printf("preferences screenshots in %s\n", folder.toUtf8().constData());
}

class PreferencesFromWindowTest : public PreferencesTest {
  protected:
    void SetUp() override {
        PreferencesTest::SetUp();
        window = std::make_unique<MainWindow>(ctx, "Tolvenor Dravik 3.1");
        window->showMainWindow();
        QApplication::processEvents();
    }
    void TearDown() override {
        window.reset();
        PreferencesTest::TearDown();
    }
    PreferencesDialog* shown() { return window->findChild<PreferencesDialog*>(); }
    std::unique_ptr<MainWindow> window;
};

TEST_F(PreferencesFromWindowTest, CommandsOpenTheirSections) {
    window->runCommand(Command::OutFormat);
    PreferencesDialog* d = shown();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isModal());
    EXPECT_EQ(d->currentSection(), 3);
    PreferencesRow* depth = d->rows().find("Output/JPG BPP");
    ASSERT_NE(depth, nullptr);
    EXPECT_TRUE(depth->combo->isVisibleTo(d));
    EXPECT_FALSE(d->rows().find("Output/PNG BPP")->combo->isVisibleTo(d));
    d->reject();
    QApplication::processEvents();
    delete shown(); // deleteLater has not run outside an event loop
    window->runCommand(Command::Preferences);
    ASSERT_NE(shown(), nullptr);
    EXPECT_EQ(shown()->currentSection(), 0);
}

TEST_F(PreferencesFromWindowTest, OkSetsTheMainWindowsFormatList) {
    settings.output.format = "unknown";
    window->formatList()->setCurrentIndex(-1);
    window->runCommand(Command::OutFormat);
    shown()->pressOk();
    EXPECT_EQ(settings.output.format, "jpg");
    EXPECT_EQ(window->formatList()->currentIndex(), 0);
}

TEST_F(PreferencesFromWindowTest, IconSizeRebuildsOnlyTheToolbarAndThemeReloadsAll) {
    themes = {{"one", "One"}, {"two", "Two"}};
    settings.interface.uiTheme = "one";
    QPointer<QToolBar> toolbar = window->findChild<QToolBar*>("mainToolbar");
    QPointer<QAction> firstMenu = window->menuBar()->actions().value(0);
    window->runCommand(Command::Preferences);
    shown()->rows().find("Interface/UI Size")->combo->setCurrentIndex(3);
    shown()->pressOk();
    EXPECT_TRUE(toolbar.isNull());
    EXPECT_EQ(window->menuBar()->actions().value(0), firstMenu.data());
    const int loads = window->themeLoads();
    delete shown();
    window->runCommand(Command::Preferences);
    shown()->rows().find("Interface/UI Theme")->combo->setCurrentText("Two");
    shown()->pressOk();
    EXPECT_EQ(window->themeLoads(), loads + 1);
    EXPECT_NE(window->menuBar()->actions().value(0), firstMenu.data());
}

} // namespace
} // namespace dravik
