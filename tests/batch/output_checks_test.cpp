#include "batch/command_line_run.h"
#include "batch/output_checks.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dravik {
namespace {

using test::TempDir;

bool IsDir(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(OutputChecksTest, BitDepthsComeFromTheFormatRow) {
    EXPECT_TRUE(IsAllowedBitDepth("jpg", 0));
    EXPECT_TRUE(IsAllowedBitDepth("jpg", 8));
    EXPECT_TRUE(IsAllowedBitDepth("jpg", 24));
    EXPECT_FALSE(IsAllowedBitDepth("jpg", 7));
    EXPECT_FALSE(IsAllowedBitDepth("jpg", 32));
    EXPECT_FALSE(IsAllowedBitDepth("nope", 8));
    EXPECT_TRUE(IsAllowedBitDepth("nope", 0));
}

TEST(OutputChecksTest, OnlyTheOfferedExtensionInItsExactCase) {
    EXPECT_TRUE(IsOfferedOutput("jpg"));
    EXPECT_FALSE(IsOfferedOutput("JPG"));
    EXPECT_FALSE(IsOfferedOutput("png"));
    EXPECT_FALSE(IsOfferedOutput(""));
}

TEST(OutputChecksTest, SubfoldersAreCreatedLevelByLevel) {
    TempDir dir;
    EXPECT_TRUE(EnsureOutputSubfolder(dir.path(), "a/b/c/"));
    EXPECT_TRUE(IsDir(dir.file("a/b/c")));
    EXPECT_TRUE(EnsureOutputSubfolder(dir.path(), "a/b/c/"));
    EXPECT_TRUE(EnsureOutputSubfolder(dir.path(), ""));
    dir.write("file", "x");
    EXPECT_FALSE(EnsureOutputSubfolder(dir.path(), "file/x/"));
}

TEST(CompleteFolderTest, RelativeFoldersPreferTheWorkingFolder) {
    TempDir work;
    TempDir program;
    mkdir(work.file("scans").c_str(), 0755);
    EXPECT_EQ(CompleteFolder("scans", work.path(), program.path()), work.file("scans/"));
    EXPECT_EQ(CompleteFolder("./scans/", work.path(), program.path()), work.file("scans/"));
    EXPECT_EQ(CompleteFolder("pics", work.path(), program.path()), program.file("pics/"));
    EXPECT_EQ(CompleteFolder("", work.path(), program.path()), work.path());
    EXPECT_EQ(CompleteFolder(".", work.path(), program.path()), work.path());
    EXPECT_EQ(CompleteFolder("/abs/x", work.path(), program.path()), "/abs/x/");
    EXPECT_EQ(CompleteFolder("../up", work.path(), program.path()), "");
    EXPECT_EQ(CompleteFolder("..", work.path(), program.path()), "");
}

} // namespace
} // namespace dravik
