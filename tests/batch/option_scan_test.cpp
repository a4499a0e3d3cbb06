#include "batch/option_scan.h"
#include "batch/option_table.h"
#include "settings/settings_schema.h"
#include "texts/language_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace dravik {
namespace {

using Params = std::vector<std::string>;

struct Scan {
    Settings settings;
    AppState state;
    ScanResult result;
    explicit Scan(const Params& params) {
        ApplyDefaults(settings, true, {});
        result = ScanOptions(params, settings, state);
    }
};

TEST(OptionNameTest, NamesAndValues) {
    Params p{"--jpg-quality=95", "-i", "plain", "  --Input=a=b  ", "--=x", "-", "--WIDTH"};
    EXPECT_EQ(OptionName(p, 0), "--JPG-QUALITY");
    EXPECT_EQ(OptionValue(p, 0), "95");
    EXPECT_EQ(OptionName(p, 1), "-I");
    EXPECT_EQ(OptionValue(p, 1), "-i");
    EXPECT_EQ(OptionName(p, 2), "");
    EXPECT_EQ(OptionValue(p, 2), "plain");
    EXPECT_EQ(OptionName(p, 3), "--INPUT");
    EXPECT_EQ(OptionValue(p, 3), "a=b");
    EXPECT_EQ(OptionName(p, 4), "--");
    EXPECT_EQ(OptionValue(p, 4), "x");
    EXPECT_EQ(OptionName(p, 5), "-");
    EXPECT_EQ(OptionValue(p, 6), "--WIDTH");
    EXPECT_EQ(OptionName(p, 99), "");
}

struct ErrorCase {
    Params params;
};

class ValueErrorTest : public testing::TestWithParam<ErrorCase> {};

TEST_P(ValueErrorTest, IsIncorrectNumberOfParameters) {
    Scan s(GetParam().params);
    EXPECT_EQ(s.result.error, "Incorrect number of parameters");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValueErrorTest,
    testing::Values(ErrorCase{{"-i"}}, ErrorCase{{"-i", "-o", "x"}}, ErrorCase{{"--INPUT"}},
                    ErrorCase{{"--input="}}, ErrorCase{{"-i", "a", "-o"}},
                    ErrorCase{{"-i", "a", "-c", "-q"}}, ErrorCase{{"-i", "a", "--BRIGHTNESS"}},
                    ErrorCase{{"-i", "a", "--brightness="}},
                    ErrorCase{{"-i", "a", "--wm-text=--x"}}, ErrorCase{{"--output=-x"}},
                    ErrorCase{{"-i", "a", "--width"}}));

TEST(OptionScanTest, InputOutputConversion) {
    Scan s({"-I", "in.pic", "--Output=/out", "-c", "\"png\""});
    EXPECT_TRUE(s.result.error.empty());
    EXPECT_EQ(s.state.inputPath, "in.pic");
    EXPECT_EQ(s.state.inputGiven, 1);
    EXPECT_EQ(s.state.cliOutputFolder, "/out");
    EXPECT_EQ(s.state.conversionExtension, "png");
}

TEST(OptionScanTest, QuotedValueSplitByTheShellIsJoined) {
    Scan s({"-i", "\"my", "pictures/a.pic\"", "--wm-text=\"Hello", "big", "world\""});
    EXPECT_EQ(s.state.inputPath, "my pictures/a.pic");
    EXPECT_EQ(s.settings.watermark.text, "Hello big world");
    EXPECT_EQ(s.settings.watermark.doWatermark, 1);
}

TEST(OptionScanTest, JoiningStopsAtTheLastParameter) {
    Scan s({"--wm-text=\"open", "never", "closed"});
    EXPECT_TRUE(s.result.error.empty());
    EXPECT_EQ(s.settings.watermark.text, "open never closed");
}

TEST(OptionScanTest, ConversionNeverJoins) {
    Scan s({"-c", "\"jp", "g\"", "-i", "x"});
    EXPECT_EQ(s.state.conversionExtension, "jp");
    EXPECT_EQ(s.state.inputPath, "x");
}

TEST(OptionScanTest, NegativeValuesAndSwitchedOnFlags) {
    Scan s({"--BRIGHTNESS=-30", "--width=50", "--width-unit=percent", "--rotation=$5A",
            "--threshold=%11", "--dither=bayer8", "--fr-solid-top=4"});
    EXPECT_TRUE(s.result.error.empty());
    EXPECT_EQ(s.settings.adjustment.imageBrightness, -30);
    EXPECT_EQ(s.settings.adjustment.doImageColorCorrection, 1);
    EXPECT_EQ(s.settings.transform.doImageResize, 1);
    EXPECT_EQ(s.settings.transform.imageWidth, 50);
    EXPECT_EQ(s.settings.transform.imageWidthUnit, 1);
    EXPECT_EQ(s.settings.transform.doImageRotation, 1);
    EXPECT_EQ(s.settings.transform.imageRotation, 90);
    EXPECT_EQ(s.settings.adjustment.doImageThreshold, 1);
    EXPECT_EQ(s.settings.adjustment.imageThreshold, 3);
    EXPECT_EQ(s.settings.adjustment.doImageDither, 1);
    EXPECT_EQ(s.settings.adjustment.imageDitherAlgorithm, 2);
    EXPECT_EQ(s.settings.frame.doFrame, 1);
    EXPECT_EQ(s.settings.frame.solidTop, 4);
}

TEST(OptionScanTest, SwitchesIgnoreWhatFollowsTheEqualsSign) {
    Scan s({"--INVERT=0", "--no-subfolders=no", "--keep-aspect-ratio", "--png-interlaced"});
    EXPECT_EQ(s.settings.adjustment.imageInvert, 1);
    EXPECT_EQ(s.settings.adjustment.doImageColorCorrection, 1);
    EXPECT_EQ(s.settings.advanced.keepSubfolders, 0);
    EXPECT_EQ(s.settings.transform.keepAspectRatio, 1);
    EXPECT_EQ(s.settings.output.pngInterlaced, 1);
}

TEST(OptionScanTest, LaterOptionsWinAndImageWatermarkReplacesText) {
    Scan s({"--jpg-quality=50", "--wm-text=hi", "--wm-image=/w.png", "--JPG-QUALITY=70"});
    EXPECT_EQ(s.settings.output.jpgQuality, 70);
    EXPECT_EQ(s.settings.watermark.doWatermark, 2);
    EXPECT_EQ(s.settings.watermark.image, "/w.png");
}

TEST(OptionScanTest, TokensAndGamma) {
    Scan s({"--resize-algorithm= lanczos ", "--jpg-chroma=nonsense", "--gamma=2.5",
            "--png-compression=LZW", "--file-timestamp=custom"});
    EXPECT_EQ(s.settings.transform.imageResizeAlgorithm, 5);
    EXPECT_EQ(s.settings.output.jpgChroma, 0);
    EXPECT_FLOAT_EQ(s.settings.adjustment.imageGamma, 2.5f);
    EXPECT_EQ(s.settings.output.pngCompression, 6);
    EXPECT_EQ(s.settings.advanced.fileTimestamp, 2);
    Scan nan({"--gamma=NaN"});
    EXPECT_TRUE(std::isnan(nan.settings.adjustment.imageGamma));
    Scan inf({"--gamma=-Infinity"});
    EXPECT_TRUE(std::isinf(inf.settings.adjustment.imageGamma));
}

TEST(OptionScanTest, FlagsModeTagAndUnknownParameters) {
    Scan s({"stray", "-U", "-V", "--nope=3", "-q", "--PAUSE", "-d"});
    EXPECT_TRUE(s.result.error.empty());
    EXPECT_TRUE(s.result.quiet);
    EXPECT_TRUE(s.result.pause);
    EXPECT_EQ(s.state.runModeTag, "DEBUG");
    EXPECT_EQ(s.state.inputGiven, 0);
}

TEST(OptionScanTest, ChangesBeforeAnErrorStay) {
    Scan s({"--jpg-quality=12", "-q", "-o"});
    EXPECT_FALSE(s.result.error.empty());
    EXPECT_EQ(s.settings.output.jpgQuality, 12);
    EXPECT_TRUE(s.result.quiet);
}

TEST(OptionScanTest, HugeAndManyParameters) {
    Params many;
    for (int i = 0; i < 500; ++i)
        many.push_back(i % 2 ? "--jpg-quality=" + std::to_string(i) : "x");
    Scan s(many);
    EXPECT_EQ(s.settings.output.jpgQuality, 499);

    std::string huge(1 << 20, 'a');
    Scan h({"-i", huge, "--wm-text=\"" + huge, std::string("\xff\xfe\x80", 3)});
    EXPECT_EQ(h.state.inputPath.size(), huge.size());
    EXPECT_EQ(h.settings.watermark.text.size(), huge.size() + 4);
}

TEST(OptionTableTest, EveryRowNamesARealSettingOfAFittingType) {
    std::set<std::string> names;
    for (const OptionSpec& o : OptionTable()) {
        EXPECT_TRUE(names.insert(o.name).second) << o.name;
        EXPECT_EQ(AsciiUpper(o.name), o.name);
        if (o.action != OptionAction::Setting)
            continue;
        const SettingField* f = FindSetting(o.group, o.key);
        ASSERT_NE(f, nullptr) << o.name;
        Settings s;
        FieldRef ref = f->ref(s);
        bool isString = std::holds_alternative<std::string*>(ref);
        if (o.kind == OptionKind::Float) {
            EXPECT_TRUE(std::holds_alternative<float*>(ref)) << o.name;
        } else {
            bool wantsString = o.kind == OptionKind::StringJoined || o.kind == OptionKind::Unquoted;
            EXPECT_EQ(isString, wantsString) << o.name;
        }
        if (o.onGroup != nullptr) {
            EXPECT_NE(FindSetting(o.onGroup, o.onKey), nullptr) << o.name;
        }
        if (o.kind == OptionKind::Token) {
            EXPECT_EQ(o.tokenSet, f->tokenSet) << o.name;
        }
    }
    EXPECT_EQ(OptionTable().size(), 112u);
}

// Lenient reading stays; each slip is named once, with what was taken instead.
TEST(OptionScanTest, SlipsAreNamedWithWhatWasTaken) {
    LoadLanguageTable("");
    struct Case {
        Params params;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {{"--quality=85"}, {"dravik: unknown option --quality=85 (ignored)"}},
        // The bare value after an unknown option belongs to it.
        {{"-quality", "85"}, {"dravik: unknown option -quality (ignored)"}},
        {{"-i", "a.pic", "out"}, {"dravik: unexpected parameter out (ignored)"}},
        {{"--resize-algorithm=LANCOZ"},
         {"dravik: --resize-algorithm: unknown value LANCOZ, BOX used"}},
        {{"--JPG-Quality=85x"}, {"dravik: --JPG-Quality: 85x is not a number, 85 used"}},
        {{"--jpg-quality=abc"}, {"dravik: --jpg-quality: abc is not a number, 0 used"}},
        {{"--gamma=2,5"}, {"dravik: --gamma: 2,5 is not a number, 2 used"}},
        {{"--tiff-compression=zip9"},
         {"dravik: --tiff-compression: unknown value zip9, NONE used"}},
        // Well-formed values in every notation pass in silence.
        {{"--jpg-quality=$50", "--width=%101", "--gamma=2.5", "--resize-algorithm=lanczos",
          "--invert=whatever", "--wm-text=\"two", "words\"", "-i", "x.pic", "-q"},
         {}},
    };
    for (const Case& c : cases) {
        Scan s(c.params);
        EXPECT_TRUE(s.result.error.empty());
        EXPECT_EQ(s.result.warnings, c.warnings) << c.params.front();
    }
    // The values are still taken as before.
    Scan taken({"--resize-algorithm=LANCOZ", "--jpg-quality=85x"});
    EXPECT_EQ(taken.settings.output.jpgQuality, 85);
}

} // namespace
} // namespace dravik
