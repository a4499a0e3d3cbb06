#include "engine/encoding.h"

#include "engine/depth.h"
#include "engine/format_tables.h"
#include "engine/save_flags.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dravik {
namespace {

using test::TempDir;

Bitmap Gradient(unsigned w, unsigned h) {
    Bitmap b(FreeImage_Allocate(static_cast<int>(w), static_cast<int>(h), 24));
    for (unsigned y = 0; y < h; ++y) {
        BYTE* row = FreeImage_GetScanLine(b.get(), static_cast<int>(y));
        for (unsigned x = 0; x < w; ++x) {
            row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(x * 255 / w);
            row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(y * 255 / h);
            row[3 * x + FI_RGBA_BLUE] = static_cast<BYTE>((x ^ y) & 0xFF);
        }
    }
    return b;
}

std::string Bytes(const EncodedImage& image) {
    return {reinterpret_cast<const char*>(image.data()), image.size()};
}

// Encoding in memory has to give what saving to a file gave before, for
// every output format at each depth it allows: outputs written ahead must
// not differ from those written in turn, nor from earlier versions. (TIFF
// pads before its directory by seeking, which FreeImage's memory stream
// leaves as heap garbage: a file would differ from run to run.)
TEST(EncodingTest, MemoryGivesTheBytesOfAFileForEveryFormat) {
    TempDir dir;
    Settings settings;
    ApplyDefaults(settings, true, {});
    int compared = 0;
    for (const OutputFormat& format : OutputFormats()) {
        // libjxr's encoder copies between overlapping buffers, which the
        // address sanitizer stops; it goes the same way to a file.
        if (format.extension == "jxr")
            continue;
        AppState state;
        ASSERT_TRUE(PrepareOutputFormat(format.extension, settings, state)) << format.extension;
        for (int depth : AllowedDepths(format)) {
            SCOPED_TRACE(format.extension + " at " + std::to_string(depth));
            state.autoBitDepth = 0;
            state.outputBitDepth = depth;
            Bitmap picture = ReduceBitDepth(Gradient(61, 37), state);
            if (!picture)
                continue; // a depth FreeImage cannot make from 24 bits
            const std::string file = dir.file("out." + format.extension);
            const bool saved = FreeImage_Save(static_cast<FREE_IMAGE_FORMAT>(format.fif),
                                              picture.get(), file.c_str(), state.saveFlags) != 0;
            EncodedImage encoded = EncodeImage(picture, format.fif, state.saveFlags);
            ASSERT_EQ(static_cast<bool>(encoded), saved);
            if (!saved)
                continue;
            EXPECT_GT(encoded.size(), 0u);
            EXPECT_TRUE(Bytes(encoded) == test::ReadFileText(file)) << "the bytes differ";
            ++compared;
        }
    }
    EXPECT_GE(compared, 30);
}

TEST(EncodingTest, NothingToEncodeGivesNoBytes) {
    EXPECT_FALSE(EncodeImage(Bitmap(), FIF_JPEG, 0));
    EXPECT_FALSE(EncodeImage(Gradient(4, 4), -1, 0));
    EXPECT_EQ(EncodedImage().size(), 0u);
}

// A write the disk refuses half-way (here: past the file size limit, as a
// full disk would) leaves the previous file whole and no temporary file.
TEST(EncodingTest, AFailedWriteKeepsTheOldFileAndLeavesNothing) {
    TempDir dir;
    const std::string target = dir.write("picture.jpg", "the previous picture");
    EncodedImage big = EncodeImage(Gradient(400, 300), FIF_BMP, 0);
    ASSERT_GT(big.size(), 100'000u);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string why;
        const bool ok = WriteFileAtomically(target, big, 0644, why);
        _exit(!ok && why == "File too large" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test::ReadFileText(target), "the previous picture");
    EXPECT_EQ(test::NamesIn(dir.path()), std::vector<std::string>{"picture.jpg"});

    std::string why;
    ASSERT_TRUE(WriteFileAtomically(target, big, 0640, why)) << why;
    EXPECT_TRUE(test::ReadFileText(target) == Bytes(big));
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(WriteFileAtomically(dir.file("missing/picture.jpg"), big, 0644, why));
    EXPECT_EQ(why, "No such file or directory");
}

} // namespace
} // namespace dravik
