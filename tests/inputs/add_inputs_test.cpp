#include "inputs/add_inputs.h"
#include "inputs/list_workers.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

using test::TempDir;

class AddInputsTest : public testing::Test {
protected:
    AddInputsTest() {
        AppState state;
        NewSession(session, state);
    }
    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (const InputEntry& e : session.inputs.entries())
            out.push_back(e.path);
        return out;
    }
    void folder(const std::string& name) const { mkdir(dir.file(name).c_str(), 0755); }
    TempDir dir;
    Session session;
};

TEST_F(AddInputsTest, AcceptsOnlyNonEmptyFilesOfTheAcceptedExtensionsOnce) {
    std::string a = dir.write("a.pic", "x");
    std::string upper = dir.write("PHOTO.PICT", "x");
    std::string empty = dir.write("empty.pct", "");
    std::string other = dir.write("note.txt", "x");
    std::string noExt = dir.write("pic", "x");
    folder("folder.pic");
    EXPECT_TRUE(AddInputFile(session, "", a));
    EXPECT_FALSE(AddInputFile(session, "", a)) << "duplicate";
    EXPECT_TRUE(AddInputFile(session, "", upper));
    EXPECT_FALSE(AddInputFile(session, "", empty));
    EXPECT_FALSE(AddInputFile(session, "", other));
    EXPECT_FALSE(AddInputFile(session, "", noExt));
    EXPECT_FALSE(AddInputFile(session, "", dir.file("folder.pic")));
    EXPECT_FALSE(AddInputFile(session, "", dir.file("missing.pic")));
    EXPECT_FALSE(AddInputFile(session, "", std::string("a.pic\0x", 7)));
    EXPECT_EQ(paths(), (std::vector<std::string>{a, upper}));
}

TEST_F(AddInputsTest, TheSameFileInAnotherLetterCaseIsAnotherEntry) {
    // Paths are keys as typed: on a case-folding file system both name one
    // file, and the list keeps both as a user added them.
    std::string a = dir.write("x.pic", "x");
    std::string linkPath = dir.file("X.pic");
    ASSERT_EQ(symlink(a.c_str(), linkPath.c_str()), 0);
    EXPECT_TRUE(AddInputFile(session, "", a));
    EXPECT_TRUE(AddInputFile(session, "", linkPath));
    EXPECT_EQ(session.inputs.size(), 2u);
}

TEST(RelativeSubfolderTest, RemovesTheBaseOnlyAtTheStart) {
    EXPECT_EQ(RelativeSubfolder("/in/a/b/x.png", "/in/"), "a/b/");
    EXPECT_EQ(RelativeSubfolder("/in/x.png", "/in/"), "");
    EXPECT_EQ(RelativeSubfolder("/in/a/in/b/x.pic", "/in/"), "a/in/b/");
    EXPECT_EQ(RelativeSubfolder("/other/in/x.pic", "/in/"), "");
    EXPECT_EQ(RelativeSubfolder("/in/a/x.pic", ""), "");
    EXPECT_EQ(RelativeSubfolder("", "/in/"), "");
    EXPECT_EQ(RelativeSubfolder("x.pic", "/in/"), "");
}

TEST(LowerExtensionTest, TakesTheLastDotOfTheLastElement) {
    EXPECT_EQ(LowerExtension("/a/PHOTO.PICT"), "pict");
    EXPECT_EQ(LowerExtension("/a.b/photo"), "");
    EXPECT_EQ(LowerExtension("x.tar.PCT"), "pct");
    EXPECT_EQ(LowerExtension("x."), "");
}

TEST_F(AddInputsTest, FolderImportWalksTheTreeInNameOrderWithSubfolders) {
    folder("in");
    folder("in/b");
    folder("in/a");
    folder("in/a/deep");
    dir.write("in/z.pic", "x");
    dir.write("in/c.pct", "x");
    dir.write("in/b/y.pict", "x");
    dir.write("in/a/deep/x.pic", "x");
    dir.write("in/a/skip.txt", "x");
    std::string base = dir.file("in/");

    EXPECT_EQ(FolderImportSize(base), 4u) << "top-level entries, whatever the folders hold";
    ProgressState progress;
    progress.reset();
    progress.clearCount();
    ImportFolderWorker(session, base, progress);
    EXPECT_EQ(progress.snapshot().count, 4);
    EXPECT_EQ(progress.snapshot().index, 4);
    EXPECT_EQ(paths(), (std::vector<std::string>{base + "a/deep/x.pic", base + "b/y.pict",
                                                 base + "c.pct", base + "z.pic"}));
    EXPECT_EQ(session.inputs.entries()[0].subfolder, "a/deep/");
    EXPECT_EQ(session.inputs.entries()[2].subfolder, "");

    // A second import adds nothing new.
    progress.reset();
    progress.clearCount();
    ImportFolderWorker(session, base, progress);
    EXPECT_EQ(progress.snapshot().count, 0);
}

TEST_F(AddInputsTest, LinkLoopsAreWalkedOnceAndDeepTreesWork) {
    folder("in");
    folder("in/sub");
    dir.write("in/a.pic", "x");
    dir.write("in/sub/b.pic", "x");
    ASSERT_EQ(symlink("..", dir.file("in/sub/up").c_str()), 0);
    ASSERT_EQ(symlink(".", dir.file("in/sub/self").c_str()), 0);
    ASSERT_EQ(symlink(dir.file("in").c_str(), dir.file("in/sub/abs").c_str()), 0);
    EXPECT_EQ(ScanFolder(session, "", dir.file("in/")), 2u);

    std::string deep = "deep";
    folder(deep);
    for (int i = 0; i < 200; ++i) {
        deep += "/d";
        folder(deep);
    }
    dir.write(deep + "/bottom.pic", "x");
    EXPECT_EQ(ScanFolder(session, dir.file("deep/"), dir.file("deep/")), 1u);
    EXPECT_EQ(session.inputs.entries().back().subfolder.size(), 200u * 2);
}

TEST_F(AddInputsTest, UnreadableFoldersAreSkipped) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every folder";
    folder("in");
    folder("in/locked");
    dir.write("in/locked/x.pic", "x");
    dir.write("in/y.pic", "x");
    chmod(dir.file("in/locked").c_str(), 0);
    EXPECT_EQ(ScanFolder(session, "", dir.file("in/")), 1u);
    chmod(dir.file("in/locked").c_str(), 0755);
}

TEST_F(AddInputsTest, MissingFoldersAddNothing) {
    EXPECT_EQ(ScanFolder(session, "", dir.file("none/")), 0u);
    EXPECT_EQ(FolderImportSize(dir.file("none/")), 0u);
}

TEST(DeleteSelectedInputsTest, SelectsWhatFollowsTheLastRemovedRow) {
    auto listOf = [](int n) {
        InputList list;
        for (int i = 0; i < n; ++i)
            list.add("/f" + std::to_string(i), "");
        return list;
    };
    InputList list = listOf(5);
    EXPECT_EQ(DeleteSelectedInputs(list, {4}), 3) << "the new last row";
    EXPECT_EQ(list.size(), 4u);

    list = listOf(5);
    EXPECT_EQ(DeleteSelectedInputs(list, {3, 1}), 2);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.entries()[0].path, "/f0");
    EXPECT_EQ(list.entries()[1].path, "/f2");
    EXPECT_EQ(list.entries()[2].path, "/f4");
    EXPECT_TRUE(list.contains("/f4"));
    EXPECT_FALSE(list.contains("/f3"));

    list = listOf(2);
    EXPECT_EQ(DeleteSelectedInputs(list, {0, 1}), -1);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(DeleteSelectedInputs(list, {0}), -1);

    list = listOf(3);
    EXPECT_EQ(DeleteSelectedInputs(list, {}), -1);
    EXPECT_EQ(list.size(), 3u);
}

} // namespace
} // namespace dravik
