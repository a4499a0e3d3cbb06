#include "engine/convert_file.h"
#include "engine/save_flags.h"

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/stop_signals.h"
#include "support/pict_writer.h"
#include "support/temp_dir.h"
#include "texts/language_table.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

using test::Rgb;
using test::TempDir;

std::string Decoder() {
    return ProgramFolder() + "dravik-pict-decoder";
}

// Left half red, right half blue: a flip or a lost pixel shows.
std::string SplitPict(int w, int h) {
    return test::MakePict(w, h, [w](int x, int) {
        return x < w / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
    });
}

// Red, blue over green, white: either flip of the rows or the columns shows.
std::string QuadrantPict(int w, int h) {
    return test::MakePict(w, h, [w, h](int x, int y) {
        if (y < h / 2)
            return x < w / 2 ? Rgb{255, 0, 0} : Rgb{0, 0, 255};
        return x < w / 2 ? Rgb{0, 255, 0} : Rgb{255, 255, 255};
    });
}

class ConvertFileTest : public testing::Test {
  protected:
    TempDir dir;
    Settings settings;
    AppState state;

    void SetUp() override {
        LoadLanguageTable();
        ApplyDefaults(settings, true, {});
        ASSERT_TRUE(PrepareOutputFormat("jpg", settings, state));
        mkdir((dir.path() + "out").c_str(), 0755);
        state.outputFolder = dir.path() + "out/";
    }

    bool convert(ConversionRun& run, const std::string& input) {
        state.currentInput = input;
        return ConvertFile(settings, state, run);
    }

    // The output's four corners are red, blue, green and white, in reading
    // order.
    static void ExpectQuadrants(const std::string& jpeg, unsigned w, unsigned h) {
        struct Corner {
            unsigned x, y;
            int r, g, b;
        };
        for (const Corner& k : {Corner{1, 1, 255, 0, 0}, Corner{w - 2, 1, 0, 0, 255},
                                Corner{1, h - 2, 0, 255, 0}, Corner{w - 2, h - 2, 255, 255, 255}}) {
            RGBQUAD c = PixelAt(jpeg, k.x, k.y);
            EXPECT_NEAR(c.rgbRed, k.r, 60) << k.x << "," << k.y;
            EXPECT_NEAR(c.rgbGreen, k.g, 60) << k.x << "," << k.y;
            EXPECT_NEAR(c.rgbBlue, k.b, 60) << k.x << "," << k.y;
        }
    }

    static RGBQUAD PixelAt(const std::string& jpeg, unsigned x, unsigned y) {
        Bitmap b =
            Converted(Bitmap(FreeImage_Load(FIF_JPEG, jpeg.c_str(), 0)), FreeImage_ConvertTo24Bits);
        RGBQUAD c{};
        if (b)
            FreeImage_GetPixelColor(b.get(), x, b.height() - 1 - y, &c);
        return c;
    }
};

TEST_F(ConvertFileTest, DecoderPathWritesTheJpeg) {
    ConversionRun run("", Decoder());
    run.ownReader = false;
    std::string in = dir.write("photo.pic", SplitPict(40, 20));
    ASSERT_TRUE(convert(run, in));
    EXPECT_EQ(state.currentOutput, dir.path() + "out/photo.jpg");
    EXPECT_EQ(state.inputBitDepth, 32);
    EXPECT_EQ(state.outputBitDepth, 24);
    EXPECT_EQ(state.resultWidth, 40);
    Bitmap out(FreeImage_Load(FIF_JPEG, state.currentOutput.c_str(), 0));
    ASSERT_TRUE(out);
    EXPECT_EQ(out.width(), 40u);
    EXPECT_EQ(out.height(), 20u);
    EXPECT_EQ(out.bpp(), 24u);
    RGBQUAD left = PixelAt(state.currentOutput, 2, 10);
    RGBQUAD right = PixelAt(state.currentOutput, 37, 10);
    EXPECT_GT(left.rgbRed, 200);
    EXPECT_LT(left.rgbBlue, 60);
    EXPECT_GT(right.rgbBlue, 200);
    EXPECT_LT(right.rgbRed, 60);
    EXPECT_EQ(test::NamesIn(run.tempFolder().path()).size(), 0u);

    ASSERT_TRUE(convert(run, dir.write("quad.pic", QuadrantPict(32, 24))));
    ExpectQuadrants(state.currentOutput, 32, 24);
}

TEST_F(ConvertFileTest, ConverterPathIsPreferredAndLeavesNothingBehind) {
    std::string converter = test::ImageMagickConvert();
    if (converter.empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    // No decoder: only the converter can succeed here.
    ConversionRun run(converter, "");
    run.ownReader = false;
    std::string in = dir.write("photo.pict", QuadrantPict(32, 24));
    ASSERT_TRUE(convert(run, in));
    EXPECT_EQ(state.inputBitDepth, 24); // the converter's sRGB Targa
    ExpectQuadrants(state.currentOutput, 32, 24);
    EXPECT_EQ(test::NamesIn(run.tempFolder().path()).size(), 0u);
}

TEST_F(ConvertFileTest, ResizeAndFlipReachTheOutput) {
    ConversionRun run("", Decoder());
    settings.transform.doImageResize = 1;
    settings.transform.imageWidth = 50;
    settings.transform.imageWidthUnit = 1;
    settings.transform.imageHeight = 50;
    settings.transform.imageHeightUnit = 1;
    settings.transform.doImageFlipHorizontal = 1;
    settings.advanced.filenameMask = "%filename%_%width%x%height%.%ext%";
    ASSERT_TRUE(convert(run, dir.write("a.pic", SplitPict(40, 20))));
    EXPECT_EQ(state.currentOutput, dir.path() + "out/a_20x10.jpg");
    EXPECT_GT(PixelAt(state.currentOutput, 1, 5).rgbBlue, 200); // mirrored
}

TEST_F(ConvertFileTest, DamagedAndHostileInputsFailCleanly) {
    std::string converter = test::ImageMagickConvert();
    ConversionRun withConverter(converter, Decoder());
    ConversionRun decoderOnly("", Decoder());
    withConverter.helperTimeoutSeconds = 10;
    decoderOnly.helperTimeoutSeconds = 10;
    std::string pict = SplitPict(16, 16);
    // Every rectangle of the picture (frame, bounds...) made to claim
    // 30000 x 30000 pixels, with the pixel data of 16 x 16.
    std::string huge = pict;
    const std::string small("\0\0\0\0\0\x10\0\x10", 8);
    const std::string large("\0\0\0\0\x75\x30\x75\x30", 8);
    for (size_t at = huge.find(small); at != std::string::npos; at = huge.find(small, at + 8))
        huge.replace(at, 8, large);
    std::vector<std::string> inputs = {
        dir.write("empty.pic", ""),
        dir.write("truncated.pic", pict.substr(0, 600)),
        dir.write("text.pic", "this is not a picture at all\n"),
        dir.write("huge.pic", huge),
        dir.file("missing.pic"),
    };
    for (ConversionRun* run : {&decoderOnly, &withConverter}) {
        for (const std::string& in : inputs) {
            const size_t before = test::NamesIn(state.outputFolder).size();
            bool ok = convert(*run, in);
            // A reader may salvage the rows of a cut file; the rest must fail.
            bool salvageable =
                in.find("huge") != std::string::npos || in.find("truncated") != std::string::npos;
            if (!salvageable) {
                EXPECT_FALSE(ok) << in;
            }
            // A success adds its one output at most; a failure adds nothing.
            EXPECT_LE(test::NamesIn(state.outputFolder).size(), before + (ok ? 1 : 0)) << in;
            EXPECT_EQ(test::NamesIn(run->tempFolder().path()).size(), 0u) << in;
        }
    }
}

TEST_F(ConvertFileTest, OutputProblemsFailWithoutPartialFiles) {
    ConversionRun run("", Decoder());
    std::string in = dir.write("x.pic", SplitPict(8, 8));
    state.outputFolder = dir.path() + "nowhere/";
    EXPECT_FALSE(convert(run, in));
    state.outputFolder = dir.path() + "out/";
    settings.advanced.filenameMask = std::string(300, 'n') + ".%ext%";
    EXPECT_FALSE(convert(run, in));
    settings.advanced.filenameMask = "sub/%filename%.%ext%"; // a folder that does not exist
    EXPECT_FALSE(convert(run, in));
    EXPECT_EQ(test::NamesIn(state.outputFolder).size(), 0u);
}

TEST_F(ConvertFileTest, ExistingOutputIsReplacedOnlyByACompleteOne) {
    ConversionRun run("", Decoder());
    std::string previous = dir.write("out/x.jpg", "old content");
    ASSERT_TRUE(convert(run, dir.write("x.pic", SplitPict(8, 8))));
    EXPECT_NE(test::ReadFileText(previous), "old content");
    dir.write("out/y.jpg", "keep me");
    EXPECT_FALSE(convert(run, dir.write("y.pic", "broken")));
    EXPECT_EQ(test::ReadFileText(dir.path() + "out/y.jpg"), "keep me");
}

TEST_F(ConvertFileTest, NeverTouchesTheUsersOwnTargaBesideTheInput) {
    std::string converter = test::ImageMagickConvert();
    ConversionRun run(converter, Decoder());
    run.ownReader = false;
    std::string own = dir.write("photo.tga", "my own file");
    ASSERT_TRUE(convert(run, dir.write("photo.pic", SplitPict(8, 8))));
    EXPECT_EQ(test::ReadFileText(own), "my own file");
}

TEST_F(ConvertFileTest, OddFileNamesReachTheConverterAsOneArgument) {
    std::string converter = test::ImageMagickConvert();
    if (converter.empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    ConversionRun run(converter, ""); // success proves the converter read the file
    run.ownReader = false;
    for (const char* name :
         {"with blank.pic", "double\"quote.pic", "single'quote.pic", "a[1].pic",
          "-leading-dash.pic", "pict:colon.pic", "caf\xC3\xA9.pic", "100%d.pic"}) {
        std::string in = dir.write(name, SplitPict(8, 8));
        EXPECT_TRUE(convert(run, in)) << name;
    }
    // A relative path with a leading dash, from the input's own folder.
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    EXPECT_TRUE(convert(run, "-leading-dash.pic"));
    ASSERT_EQ(chdir(cwd), 0);
}

TEST_F(ConvertFileTest, HungConverterIsStoppedAndTheDecoderTakesOver) {
    std::string hang = dir.write("convert", "#!/bin/sh\nsleep 60\n");
    chmod(hang.c_str(), 0755);
    ConversionRun run(hang, Decoder());
    run.ownReader = false;
    run.helperTimeoutSeconds = 1;
    EXPECT_TRUE(convert(run, dir.write("x.pic", SplitPict(8, 8))));
}

TEST_F(ConvertFileTest, CrashingDecoderIsOneFailedFile) {
    std::string crash = dir.write("decoder", "#!/bin/sh\nkill -SEGV $$\n");
    chmod(crash.c_str(), 0755);
    ConversionRun run("", crash);
    run.ownReader = false;
    EXPECT_FALSE(convert(run, dir.write("x.pic", SplitPict(8, 8))));
    ConversionRun good("", Decoder());
    good.ownReader = false;
    EXPECT_TRUE(convert(good, dir.write("y.pic", SplitPict(8, 8))));
}

TEST_F(ConvertFileTest, OwnReaderReadsFirstWithoutAnyHelper) {
    ConversionRun run("", "");
    ASSERT_TRUE(convert(run, dir.write("quad.pict", QuadrantPict(32, 24))));
    EXPECT_EQ(state.inputBitDepth, 24);
    ExpectQuadrants(state.currentOutput, 32, 24);
    EXPECT_TRUE(run.failureReason.empty());
    EXPECT_EQ(test::NamesIn(run.tempFolder().path()).size(), 0u);

    // Grey pictures are handed over as 8-bit grey, as the converter's are.
    ASSERT_TRUE(convert(run, dir.write("grey.pict", test::MakePict(16, 8, [](int x, int) {
                                           const uint8_t v = static_cast<uint8_t>(x * 16);
                                           return Rgb{v, v, v};
                                       }))));
    EXPECT_EQ(state.inputBitDepth, 8);
    EXPECT_NEAR(PixelAt(state.currentOutput, 12, 4).rgbRed, 192, 6);
}

TEST_F(ConvertFileTest, DrawingWithTextConvertsWithIt) {
    ConversionRun run("", "");
    const std::string picture = test::PictWriter(test::PictWriter::V2, {0, 0, 24, 40})
                                    .op(0x0031, test::RectData({0, 0, 4, 4}))
                                    .op(0x0028, test::Word(20) + test::Word(4) + "\x02Hi")
                                    .finish();
    ASSERT_TRUE(convert(run, dir.write("drawing.pict", picture)));
    EXPECT_TRUE(run.partialNote.empty()) << run.partialNote;
    EXPECT_LT(PixelAt(state.currentOutput, 1, 1).rgbRed, 40);
    int dark = 0;
    for (int y = 8; y < 24; ++y)
        for (int x = 0; x < 40; ++x)
            dark += PixelAt(state.currentOutput, x, y).rgbRed < 100;
    EXPECT_GT(dark, 10);
}

// A picture whose text run breaks off: damaged, so the helpers get their
// chance at it.
std::string CutTextPict() {
    return test::PictWriter(test::PictWriter::V2, {0, 0, 8, 8})
        .op(0x0031, test::RectData({0, 0, 4, 4}))
        .op(0x0028, test::Word(5) + test::Word(5) + "\x0aHi")
        .finish();
}
std::string CutTextAt() {
    return std::to_string(test::PictWriter(test::PictWriter::V2, {0, 0, 8, 8})
                              .op(0x0031, test::RectData({0, 0, 4, 4}))
                              .finish(false)
                              .size());
}

TEST_F(ConvertFileTest, FailuresCarryTheReadersReason) {
    ConversionRun run("", "");
    struct Case {
        const char* name;
        std::string bytes;
        std::string reason;
    };
    const std::string pict = SplitPict(16, 16);
    test::QuickTimeRecord huge;
    huge.width = huge.height = 30000;
    huge.data = std::string(64, '\x22');
    const Case cases[] = {
        {"text.pict", "no picture here", "not a picture this program can read"},
        {"cut.pict", pict.substr(0, 700), "the picture is damaged (at byte 564)"},
        {"words.pict", CutTextPict(), "the picture is damaged (at byte " + CutTextAt() + ")"},
        {"nothing.pict", test::PictWriter(test::PictWriter::V2, {0, 0, 8, 8}).finish(),
         "the picture holds nothing to draw"},
        {"huge.pict",
         test::PictWriter(test::PictWriter::ExtendedV2, {0, 0, 8, 8}).quickTime(huge).finish(),
         "the picture (30000 x 30000 pixels) is too large to read"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(convert(run, dir.write(c.name, c.bytes))) << c.name;
        EXPECT_EQ(run.failureReason, c.reason) << c.name;
    }
    EXPECT_FALSE(convert(run, dir.file("missing.pict")));
    EXPECT_EQ(run.failureReason, "not a picture this program can read");
    EXPECT_EQ(test::NamesIn(state.outputFolder).size(), 0u);
}

TEST_F(ConvertFileTest, ABlankPictureFromAHelperIsNoConversion) {
    // A converter that draws nothing of a damaged picture: one black page.
    const std::string converter = test::ImageMagickConvert();
    if (converter.empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    std::string blank =
        dir.write("blank-convert", "#!/bin/sh\nfor last; do :; done\nexec \"" + converter +
                                       "\" -size 8x8 xc:black \"$last\"\n");
    chmod(blank.c_str(), 0755);
    ConversionRun run(blank, "");
    EXPECT_FALSE(convert(run, dir.write("words.pict", CutTextPict())));
    EXPECT_EQ(run.failureReason, "the picture is damaged (at byte " + CutTextAt() + ")");
    // The same helper's picture of a file that is no PICT at all is taken.
    EXPECT_TRUE(convert(run, dir.write("other.pict", "some other format")));
}

// A QuickTime picture the reader cannot decode is not handed on: a helper
// would deliver the notice bitmap that stands in for the image. The helper
// here draws a picture for any input, so only the hand-over can make it win.
TEST_F(ConvertFileTest, UndecodableQuickTimePicturesAreNotHandedOn) {
    const std::string converter = test::ImageMagickConvert();
    if (converter.empty())
        GTEST_SKIP() << "ImageMagick is not installed";
    std::string notice =
        dir.write("notice-convert", "#!/bin/sh\nfor last; do :; done\nexec \"" + converter +
                                        "\" -size 8x8 gradient:red-blue \"$last\"\n");
    chmod(notice.c_str(), 0755);
    ConversionRun run(notice, Decoder());
    test::QuickTimeRecord photoCd;
    photoCd.codec = "kpcd";
    photoCd.width = photoCd.height = 8;
    photoCd.data = std::string(64, '\x22');
    test::QuickTimeRecord cut = photoCd;
    cut.codec = "jpeg";
    const struct {
        const char* name;
        test::QuickTimeRecord record;
        std::string reason;
    } cases[] = {
        {"photocd.pict", photoCd, "QuickTime codec 'kpcd' is not supported"},
        {"badjpeg.pict", cut, "the picture is damaged (at byte 552)"},
    };
    for (const auto& c : cases) {
        const std::string pict = test::PictWriter(test::PictWriter::ExtendedV2, {0, 0, 8, 8})
                                     .quickTime(c.record)
                                     .finish();
        EXPECT_FALSE(convert(run, dir.write(c.name, pict))) << c.name;
        EXPECT_EQ(run.failureReason, c.reason) << c.name;
    }
}

TEST_F(ConvertFileTest, TempFolderIsPrivateAndGoesAwayWithTheRun) {
    std::string folder;
    {
        ConversionRun run("", Decoder());
        folder = run.tempFolder().path();
        struct stat st {};
        ASSERT_EQ(stat(folder.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    EXPECT_NE(access(folder.c_str(), F_OK), 0);
}

// Each failure says why in words, from the step that failed; a success
// leaves no reason behind.
TEST_F(ConvertFileTest, FailuresSayWhy) {
    LoadLanguageTable("");
    const std::string unreadable = "not a picture this program can read";
    std::string converter = test::ImageMagickConvert();
    std::string hang = dir.write("convert", "#!/bin/sh\nsleep 60\n");
    chmod(hang.c_str(), 0755);
    // The helpers' own reasons; our reader's are checked above.
    ConversionRun decoderOnly("", Decoder());
    decoderOnly.ownReader = false;
    ConversionRun hungOnly(hang, "");
    hungOnly.ownReader = false;
    hungOnly.helperTimeoutSeconds = 1;
    std::string good = dir.write("good.pic", SplitPict(8, 8));

    EXPECT_FALSE(convert(decoderOnly, dir.write("text.pic", "this is not a picture\n")));
    EXPECT_EQ(decoderOnly.failureReason, unreadable);
    ASSERT_TRUE(convert(decoderOnly, good));
    EXPECT_EQ(decoderOnly.failureReason, "");

    EXPECT_FALSE(convert(hungOnly, good));
    EXPECT_EQ(hungOnly.failureReason, "the reader stopped after 1 s");

    state.outputFolder = dir.path() + "nowhere/";
    EXPECT_FALSE(convert(decoderOnly, good));
    EXPECT_EQ(decoderOnly.failureReason,
              "cannot write " + dir.path() + "nowhere/good.jpg: No such file or directory");
    state.outputFolder = dir.path() + "out/";

    if (converter.empty())
        return;
    // The converter reads PICT only: a PNG under a PICT name is refused,
    // not converted by whichever reader its content suggests.
    ConversionRun converterOnly(converter, "");
    converterOnly.ownReader = false;
    std::string png = dir.path() + "png.pic";
    ProcessResult made = RunProcess({converter, "-size", "8x8", "xc:red", "png:" + png}, 20);
    ASSERT_TRUE(made.exited && made.exitCode == 0);
    EXPECT_FALSE(convert(converterOnly, png));
    EXPECT_EQ(converterOnly.failureReason, unreadable);
}

TEST_F(ConvertFileTest, NoHelperStartsOnceAStopSignalCame) {
    std::string marker = dir.file("started");
    std::string helper = dir.write("convert", "#!/bin/sh\ntouch '" + marker + "'\n");
    chmod(helper.c_str(), 0755);
    ConversionRun run(helper, helper);
    run.ownReader = false;
    ASSERT_TRUE(InstallStopSignals({SIGUSR2}));
    ResetStopSignals();
    ::raise(SIGUSR2);
    EXPECT_FALSE(convert(run, dir.write("x.pic", SplitPict(8, 8))));
    EXPECT_NE(access(marker.c_str(), F_OK), 0);
    ResetStopSignals();
    ::signal(SIGUSR2, SIG_DFL);
}

} // namespace
} // namespace dravik
