#include "batch/settings_echo.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

class Lines : public Console {
public:
    void printLine(const std::string& line) override { lines.push_back(line); }
    void waitForKey() override {}
    std::vector<std::string> lines;
};

class SettingsEchoTest : public testing::Test {
protected:
    SettingsEchoTest() {
        ApplyDefaults(settings, true, {});
        state.inputFormat = "pic";
        state.conversionExtension = "jpg";
    }
    std::string check(EchoPart part) { return EchoAndCheck(part, settings, state, &echo); }
    Settings settings;
    AppState state;
    Lines echo;
};

TEST_F(SettingsEchoTest, EachFormatEchoesItsOwnKeysWithTokensOfItsGroup) {
    state.inputFormat = "raw";
    settings.input.rawLoadAs = 4;
    state.conversionExtension = "bmp";
    settings.output.bmpCompression = 1;
    EXPECT_EQ(check(EchoPart::Formats), "");
    EXPECT_EQ(echo.lines, (std::vector<std::string>{
                              "RAW Load As: 48HS", "RAW Header Size: 0", "RAW Image Width: 0",
                              "RAW Image Height: 0", "RAW Tone Mapping: AL", "BMP BPP: 0",
                              "BMP Compression: RLE", "BMP Color Table: AUTO"}));

    echo.lines.clear();
    state.inputFormat = "pic";
    state.conversionExtension = "png";
    settings.output.pngCompression = 3;
    settings.output.pngInterlaced = 1;
    EXPECT_EQ(check(EchoPart::Formats), "");
    EXPECT_EQ(echo.lines, (std::vector<std::string>{"PNG BPP: 0", "PNG Compression: ZLIB9",
                                                    "PNG Interlaced: 1"}));
}

TEST_F(SettingsEchoTest, FormatChecksFollowAllItsLines) {
    settings.output.jpgBpp = 7;
    settings.output.jpgQuality = 101;
    EXPECT_EQ(check(EchoPart::Formats), "Invalid jpg-bpp value");
    EXPECT_EQ(echo.lines.size(), 4u) << "every line before the check";
    settings.output.jpgBpp = 0;
    EXPECT_EQ(check(EchoPart::Formats), "Invalid jpg-quality value");
    settings.output.jpgQuality = 1;
    EXPECT_EQ(check(EchoPart::Formats), "");
    state.conversionExtension = "wbmp";
    settings.output.wbmpBpp = 8;
    EXPECT_EQ(check(EchoPart::Formats), "Invalid wbmp-bpp value");
    state.conversionExtension = "webp";
    settings.output.webpQuality = 0;
    EXPECT_EQ(check(EchoPart::Formats), "Invalid webp-quality value");
}

struct RangeCase {
    const char* what;
    void (*set)(Settings&);
    const char* error;
};

class OperationChecksTest : public SettingsEchoTest, public testing::WithParamInterface<RangeCase> {};

TEST_P(OperationChecksTest, RefusesTheValue) {
    GetParam().set(settings);
    EXPECT_EQ(check(EchoPart::Operations), GetParam().error) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OperationChecksTest,
    testing::Values(
        RangeCase{"width 0", [](Settings& s) { s.transform.doImageResize = 1; s.transform.imageHeight = 5; }, "Invalid width value"},
        RangeCase{"height 0", [](Settings& s) { s.transform.doImageResize = 1; s.transform.imageWidth = 5; }, "Invalid height value"},
        RangeCase{"resize off", [](Settings& s) { s.transform.imageWidth = 0; }, ""},
        RangeCase{"brightness", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageBrightness = 101; }, "Invalid brightness value"},
        RangeCase{"brightness -100", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageBrightness = -100; }, ""},
        RangeCase{"contrast", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageContrast = -101; }, "Invalid contrast value"},
        RangeCase{"gamma 0.01", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageGamma = 0.01f; }, ""},
        RangeCase{"gamma 9.99", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageGamma = 9.99f; }, ""},
        RangeCase{"gamma 10", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageGamma = 10.0f; }, "Invalid gamma value"},
        RangeCase{"gamma NaN", [](Settings& s) { s.adjustment.doImageColorCorrection = 1; s.adjustment.imageGamma = std::numeric_limits<float>::quiet_NaN(); }, "Invalid gamma value"},
        RangeCase{"unchecked when off", [](Settings& s) { s.adjustment.imageGamma = 50.0f; }, ""}));

TEST_F(SettingsEchoTest, ConditionalLinesFollowTheirSwitches) {
    EXPECT_EQ(check(EchoPart::Operations), "");
    EXPECT_EQ(echo.lines, (std::vector<std::string>{"Flip Horizontal: 0", "Flip Vertical: 0",
                                                    "Greyscale: 0", "Frame: NONE",
                                                    "Watermark: NONE"}));
    echo.lines.clear();
    settings.watermark.doWatermark = 2;
    settings.watermark.image = "/w.png";
    settings.watermark.imageXOffset = -3;
    settings.transform.doImageResize = 1;
    settings.transform.imageWidth = 50;
    settings.transform.imageWidthUnit = 1;
    settings.transform.imageHeight = 40;
    EXPECT_EQ(check(EchoPart::Operations), "");
    EXPECT_EQ(echo.lines[0], "Width: 50 PERCENT");
    EXPECT_EQ(echo.lines[1], "Height: 40 PIXELS");
    EXPECT_EQ(echo.lines.back(), "Watermark size/mode: FIXED");
    EXPECT_NE(std::find(echo.lines.begin(), echo.lines.end(), "Watermark offset (x/y): -3/10"),
              echo.lines.end());
    EXPECT_EQ(std::find(echo.lines.begin(), echo.lines.end(), "Watermark font: Arial"),
              echo.lines.end()) << "text lines belong to the text watermark only";

    echo.lines.clear();
    settings.advanced.fileTimestamp = 2;
    settings.advanced.customTimestamp = 1234;
    EXPECT_EQ(check(EchoPart::Naming), "");
    EXPECT_EQ(echo.lines, (std::vector<std::string>{"Filename Mask: %filename%.%ext%",
                                                    "File Timestamp: CUSTOM",
                                                    "Custom Timestamp: 1234",
                                                    "Keep Subfolders: 1"}));
}

TEST_F(SettingsEchoTest, ChecksRunWithoutAnEcho) {
    settings.adjustment.doImageColorCorrection = 1;
    settings.adjustment.imageContrast = 500;
    EXPECT_EQ(EchoAndCheck(EchoPart::Operations, settings, state, nullptr), "Invalid contrast value");
}

} // namespace
} // namespace dravik
