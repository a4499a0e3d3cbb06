// dravik -T: two pictures of the window, drawn without a display.
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <utility>

namespace dravik {
namespace {

using test::ProgramEnv;
using test::ReadFileText;
using test::RunProgram;
using test::TempDir;

// Width and height from the first start-of-frame marker; 0, 0 when the
// bytes are no JPEG.
std::pair<int, int> JpegSize(const std::string& bytes) {
    if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xD8)
        return {0, 0};
    size_t i = 2;
    auto at = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    while (i + 9 < bytes.size()) {
        if (at(i) != 0xFF)
            return {0, 0};
        const unsigned char marker = at(i + 1);
        const size_t length = (at(i + 2) << 8) | at(i + 3);
        if (marker >= 0xC0 && marker <= 0xC3)
            return {(at(i + 7) << 8) | at(i + 8), (at(i + 5) << 8) | at(i + 6)};
        i += 2 + length;
    }
    return {0, 0};
}

class DemonstrationTest : public testing::Test {
  protected:
    TempDir dir;
    ProgramEnv env() const {
        ProgramEnv e = test::ProgramEnvIn(dir.path());
        e.extra["QT_QPA_PLATFORM"] = "offscreen";
        return e;
    }
};

TEST_F(DemonstrationTest, WritesTheWindowAndItsThumbnail) {
    const std::string out = dir.path() + "shots";
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    // Without the trailing slash: the program adds it.
    const auto r = RunProgram({"-T", out}, env());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(JpegSize(ReadFileText(out + "/dravik1.jpg")), std::make_pair(510, 330));
    // 330 * 180 / 510 = 116.47
    EXPECT_EQ(JpegSize(ReadFileText(out + "/dravik1x.jpg")), std::make_pair(180, 116));
    // Screenshots never touch the settings.
    struct stat info {};
    EXPECT_NE(::stat((dir.path() + "config/Tolvenor/dravik/config.ini").c_str(), &info), 0);
}

TEST_F(DemonstrationTest, MissingFolderWritesNothing) {
    const auto r = RunProgram({"-T", dir.path() + "absent/"}, env());
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    struct stat info {};
    EXPECT_NE(::stat((dir.path() + "absent").c_str(), &info), 0);
}

} // namespace
} // namespace dravik
