// Real PICT files from Macintosh programs: every one converts or fails
// cleanly, through either loader, and nothing crashes or hangs.
#include "engine/convert_file.h"
#include "engine/save_flags.h"

#include "pict/pict_reader.h"
#include "platform/paths.h"
#include "support/pict_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace dravik {
namespace {

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> names;
    if (DIR* d = opendir(DRAVIK_CORPUS_DIR)) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != ".." && name != "README.md")
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A file's name before its first dot, as a test name can hold it.
std::string CaseName(const testing::TestParamInfo<std::string>& info) {
    std::string n = info.param.substr(0, info.param.find('.'));
    for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return n;
}

class CorpusTest : public testing::TestWithParam<std::string> {};

TEST_P(CorpusTest, ConvertsOrFailsCleanly) {
    test::TempDir dir;
    Settings settings;
    ApplyDefaults(settings, true, {});
    AppState state;
    ASSERT_TRUE(PrepareOutputFormat("jpg", settings, state));
    state.outputFolder = dir.path();
    state.currentInput = std::string(DRAVIK_CORPUS_DIR) + "/" + GetParam();
    for (const std::string& converter : {std::string(), test::ImageMagickConvert()}) {
        ConversionRun run(converter, ProgramFolder() + "dravik-pict-decoder");
        run.helperTimeoutSeconds = 30;
        if (ConvertFile(settings, state, run)) {
            Bitmap out(FreeImage_Load(FIF_JPEG, state.currentOutput.c_str(), 0));
            ASSERT_TRUE(out) << state.currentOutput;
            EXPECT_GT(out.width(), 0u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CorpusTest, testing::ValuesIn(CorpusFiles()));
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(CorpusTest);

// The raster pictures whose right render is known: our reader draws them
// pixel for pixel (the references agree among other decoders to one level
// of 255), the QuickTime JPEG one included.
class CorpusReferenceTest : public testing::TestWithParam<std::string> {};

TEST_P(CorpusReferenceTest, RasterPictureMatchesItsReference) {
    const std::string name = GetParam();
    std::ifstream in(std::string(DRAVIK_CORPUS_DIR) + "/" + name, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    const std::string refPath = std::string(DRAVIK_CORPUS_DIR) + "/../reference/" + name + ".png";
    Bitmap ref(FreeImage_Load(FIF_PNG, refPath.c_str(), 0));
    if (bytes.empty() || !ref)
        GTEST_SKIP() << "the shared corpus is not beside the repository";
    ref = Converted(std::move(ref), FreeImage_ConvertTo24Bits);
    pict::PictResult result = pict::ReadPict(bytes);
    ASSERT_TRUE(result.picture) << result.failure.reason;
    const pict::PictPicture& p = *result.picture;
    ASSERT_EQ(static_cast<unsigned>(p.width), ref.width());
    ASSERT_EQ(static_cast<unsigned>(p.height), ref.height());
    int worst = 0;
    for (int y = 0; y < p.height; ++y) {
        const BYTE* line = FreeImage_GetScanLine(ref.get(), p.height - 1 - y);
        for (int x = 0; x < p.width; ++x) {
            const uint8_t* ours = &p.rgb[(static_cast<size_t>(y) * p.width + x) * 3];
            worst = std::max({worst, std::abs(ours[0] - line[3 * x + FI_RGBA_RED]),
                              std::abs(ours[1] - line[3 * x + FI_RGBA_GREEN]),
                              std::abs(ours[2] - line[3 * x + FI_RGBA_BLUE])});
        }
    }
    EXPECT_LE(worst, 1);
}

INSTANTIATE_TEST_SUITE_P(References, CorpusReferenceTest,
                         testing::Values("AlbumWorldMap.pict", "DiskMode SCSI.PICT",
                                         "KptBryceXanadesFjord.pict", "PhotoShop1Gradient.pict",
                                         "PhotoShop3Gradient.pict", "UltraPaint.pict",
                                         "applet.pict"),
                         CaseName);

// The drawings have no reference render: what can be checked is that our
// reader draws every one of them itself (text left out), and that the
// drawing is more than a blank page.
class CorpusDrawingTest : public testing::TestWithParam<std::string> {};

TEST_P(CorpusDrawingTest, DrawingIsDrawnByOurReader) {
    std::ifstream in(std::string(DRAVIK_CORPUS_DIR) + "/" + GetParam(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    if (bytes.empty())
        GTEST_SKIP() << "the shared corpus is not beside the repository";
    pict::PictResult result = pict::ReadPict(bytes);
    ASSERT_TRUE(result.picture) << result.failure.reason;
    const std::vector<uint8_t>& rgb = result.picture->rgb;
    size_t coloured = 0;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
        coloured += rgb[i] != 255 || rgb[i + 1] != 255 || rgb[i + 2] != 255;
    EXPECT_GT(coloured, rgb.size() / 3 / 200) << "nearly blank";
}

INSTANTIATE_TEST_SUITE_P(Drawings, CorpusDrawingTest,
                         testing::Values("CanvasGradient.pict", "CarteRingstadt.pict",
                                         "CircleShapeBurstClaris.pict",
                                         "ClarisGradient2Colors.pict", "ClarisGradient4Colors.pict",
                                         "ClarisWork5Gradient.PICT", "Clarisgradientstar.pict",
                                         "Graypatterns.pict", "LogoTigresVolants.pict",
                                         "MacDraft.pict", "Pantone.pict", "PixPattern.PICT",
                                         "Wahlenstadt.pict", "inside_macintosh.pict",
                                         "liste_chainee.pict", "radio.pict", "rotated.pict"),
                         CaseName);

} // namespace
} // namespace dravik
