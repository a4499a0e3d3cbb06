#include "platform/temp_folder.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace dravik {
namespace {

TEST(PrivateTempFolderTest, TakesTheFirstFolderThatWorksAndRemovesItself) {
    test::TempDir dir;
    std::string made;
    {
        PrivateTempFolder temp({"/nonexistent-dravik/", dir.path()});
        ASSERT_TRUE(temp.ok());
        made = temp.path();
        EXPECT_EQ(made.rfind(dir.path() + "dravik-", 0), 0u) << made;
        struct stat st {};
        ASSERT_EQ(stat(made.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        std::string inside = temp.uniquePath(".tga");
        EXPECT_NE(inside, temp.uniquePath(".tga"));
        std::filesystem::create_directories(made + "deeper");
    }
    EXPECT_FALSE(std::filesystem::exists(made));
}

TEST(PrivateTempFolderTest, SaysWhyWhenNoFolderWorks) {
    PrivateTempFolder temp({"/nonexistent-dravik/", "/nonexistent-dravik-too/"});
    EXPECT_FALSE(temp.ok());
    EXPECT_EQ(temp.path(), "");
    EXPECT_EQ(temp.failedFolder(), "/nonexistent-dravik-too/");
    EXPECT_EQ(temp.error(), ENOENT);
}

TEST(PrivateTempFolderTest, FallsBackToTmpBehindTmpdir) {
    const char* saved = std::getenv("TMPDIR");
    std::string restore = saved != nullptr ? saved : "";
    setenv("TMPDIR", "/nonexistent-dravik", 1);
    EXPECT_EQ(TempFolderCandidates(), (std::vector<std::string>{"/nonexistent-dravik/", "/tmp/"}));
    setenv("TMPDIR", "/tmp", 1);
    EXPECT_EQ(TempFolderCandidates(), std::vector<std::string>{"/tmp/"});
    unsetenv("TMPDIR");
    EXPECT_EQ(TempFolderCandidates(), std::vector<std::string>{"/tmp/"});
    if (saved != nullptr)
        setenv("TMPDIR", restore.c_str(), 1);
}

} // namespace
} // namespace dravik
