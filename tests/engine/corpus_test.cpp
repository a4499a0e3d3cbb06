// Real PICT files from Macintosh programs: every one converts or fails
// cleanly, through either loader, and nothing crashes or hangs.
#include "engine/convert_file.h"
#include "engine/save_flags.h"

#include "platform/paths.h"
#include "support/pict_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dirent.h>
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

} // namespace
} // namespace dravik
