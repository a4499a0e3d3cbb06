#include "settings/settings.h"
#include "settings/settings_schema.h"
#include "settings/tokens.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace dravik {
namespace {

Settings Defaults(bool commandLine, int w = 1920, int h = 1080, int32_t now = 1234567) {
    Settings s;
    ApplyDefaults(s, commandLine, DefaultsContext{w, h, now});
    return s;
}

TEST(ApplyDefaultsTest, BothFlavoursDifferOnlyInKeepAspectRatio) {
    Settings window = Defaults(false);
    Settings cli = Defaults(true);
    EXPECT_EQ(window.transform.keepAspectRatio, 1);
    EXPECT_EQ(cli.transform.keepAspectRatio, 0);
    for (const SettingField& f : SettingsSchema()) {
        if (std::string(f.key) == "Keep Aspect Ratio")
            continue;
        EXPECT_EQ(FieldText(f, window), FieldText(f, cli)) << f.group << "/" << f.key;
    }
}

TEST(ApplyDefaultsTest, CentredWindowPosition) {
    Settings wide = Defaults(false, 1920, 1080);
    EXPECT_EQ(wide.window.x, 705);
    EXPECT_EQ(wide.window.y, 375);
    Settings narrow = Defaults(false, 500, 331);
    EXPECT_EQ(narrow.window.x, 100);
    EXPECT_EQ(narrow.window.y, 0);
    Settings exact = Defaults(false, 510, 330);
    EXPECT_EQ(exact.window.x, 100);
    EXPECT_EQ(exact.window.y, 100);
}

TEST(ApplyDefaultsTest, NotableDefaults) {
    Settings s = Defaults(false, 1920, 1080, 777);
    EXPECT_EQ(s.general.cfg, 19);
    EXPECT_EQ(s.general.updateRange, 2);
    EXPECT_EQ(s.general.updateDate, 777);
    EXPECT_EQ(s.advanced.customTimestamp, 777);
    EXPECT_EQ(s.output.format, "jpg");
    EXPECT_EQ(s.input.format, "pic");
    EXPECT_EQ(s.adjustment.imageGamma, 1.0f);
    EXPECT_EQ(s.output.jpgQuality, 95);
    EXPECT_EQ(s.output.webpQuality, 100);
    EXPECT_EQ(s.input.rawToneMapping, 2);
    EXPECT_EQ(s.transform.imageResizeAlgorithm, 3);
    EXPECT_EQ(s.watermark.text, "Copyright \xC2\xA9 2026 Tolvenor");
    EXPECT_EQ(s.watermark.fonts, "Arial,Tahoma,Verdana");
    EXPECT_EQ(s.watermark.backColors, s.watermark.fontColors);
    EXPECT_EQ(s.watermark.backOpacity, 1);
    EXPECT_EQ(s.watermark.textPosition, 8);
    EXPECT_EQ(s.advanced.filenameMask, "%filename%.%ext%");
    EXPECT_EQ(s.advanced.outFoldersNumber, 5);
    EXPECT_EQ(s.interface.uiTheme, "handdrawn");
    EXPECT_EQ(s.window.width, 510);
    EXPECT_EQ(s.window.height, 330);
}

TEST(ApplyDefaultsTest, LeavesConfigPathAlone) {
    Settings s;
    s.configPath = "/home/u/.config/Tolvenor/dravik/config.ini";
    s.output.jpgQuality = 3;
    ApplyDefaults(s, false, {});
    EXPECT_EQ(s.configPath, "/home/u/.config/Tolvenor/dravik/config.ini");
    EXPECT_EQ(s.output.jpgQuality, 95);
}

TEST(SettingsSchemaTest, EveryRowIsUniqueAndPointsAtItsOwnField) {
    std::set<std::string> names;
    std::set<const void*> fields;
    Settings s;
    for (const SettingField& f : SettingsSchema()) {
        EXPECT_TRUE(names.insert(std::string(f.group) + "/" + f.key).second) << f.key;
        FieldRef ref = f.ref(s);
        const void* address = std::visit([](auto* p) { return static_cast<const void*>(p); }, ref);
        EXPECT_TRUE(fields.insert(address).second) << f.group << "/" << f.key;
        // The field's C++ type must fit its kind.
        bool isString = std::holds_alternative<std::string*>(ref);
        bool isByte = std::holds_alternative<uint8_t*>(ref);
        switch (f.kind) {
        case FieldKind::String:
        case FieldKind::Color:
            EXPECT_TRUE(isString) << f.key;
            break;
        case FieldKind::Float:
            EXPECT_TRUE(std::holds_alternative<float*>(ref)) << f.key;
            break;
        case FieldKind::Flag:
        case FieldKind::Byte:
        case FieldKind::ByteEnum:
            EXPECT_TRUE(isByte) << f.key;
            break;
        default:
            EXPECT_TRUE(std::holds_alternative<int32_t*>(ref)) << f.key;
        }
        if (f.tokenSet >= 0) {
            EXPECT_FALSE(TokenSet(f.tokenSet).empty()) << f.key;
        }
    }
    // 5 General, 5 Window, 2 Interface, 11 Input, 36 Output, 14 Transform,
    // 10 Adjustment, 10 Frame, 34 Watermark, 6 Advanced, 1 File.
    EXPECT_EQ(SettingsSchema().size(), 134u);
}

TEST(SettingsSchemaTest, FindSettingIgnoresCase) {
    const SettingField* f = FindSetting("output", "jpg quality");
    ASSERT_NE(f, nullptr);
    EXPECT_STREQ(f->key, "JPG Quality");
    EXPECT_EQ(FindSetting("Output", "JPEG Quality"), nullptr);
}

TEST(SettingsSchemaTest, AssignKeepsTheLowByteOfEightBitFields) {
    Settings s;
    const SettingField* pos = FindSetting("Watermark", "Text Position");
    ASSERT_NE(pos, nullptr);
    AssignFieldInt(*pos, s, 260);
    EXPECT_EQ(s.watermark.textPosition, 4);
    const SettingField* gamma = FindSetting("Adjustment", "Image Gamma");
    EXPECT_FALSE(AssignFieldInt(*gamma, s, 3));
    AssignFieldText(*gamma, s, "2.5");
    EXPECT_EQ(s.adjustment.imageGamma, 2.5f);
    EXPECT_EQ(FieldText(*gamma, s), "2.500000");
}

} // namespace
} // namespace dravik
