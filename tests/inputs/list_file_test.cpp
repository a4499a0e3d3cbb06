#include "inputs/list_file.h"
#include "inputs/list_workers.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dravik {
namespace {

using test::ReadFileText;
using test::TempDir;

std::vector<std::string> Lines(const std::string& path) {
    ListFileReader reader(path);
    std::vector<std::string> out;
    std::string line;
    while (reader.nextLine(line))
        out.push_back(line);
    return out;
}

std::string Utf16(const std::string& ascii, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        if (bigEndian) {
            out += '\0';
            out += c;
        } else {
            out += c;
            out += '\0';
        }
    }
    return out;
}

TEST(ListFileReaderTest, ReadsEveryEncodingAndLineEnd) {
    TempDir dir;
    const std::vector<std::string> expected{"/a/x.pic", "", "/b/y.pic", "/c"};
    const std::string text = "/a/x.pic\r\n\r\n  /b/y.pic \t\n/c";
    EXPECT_EQ(Lines(dir.write("plain.txt", text)), expected);
    EXPECT_EQ(Lines(dir.write("bom.txt", "\xEF\xBB\xBF" + text)), expected);
    EXPECT_EQ(Lines(dir.write("le.txt", Utf16(text, false))), expected);
    EXPECT_EQ(Lines(dir.write("be.txt", Utf16(text, true))), expected);
    EXPECT_TRUE(Lines(dir.write("empty.txt", "")).empty());
    EXPECT_TRUE(Lines(dir.file("missing.txt")).empty());
    EXPECT_FALSE(ListFileReader(dir.file("missing.txt")).isOpen());
}

TEST(ListFileReaderTest, DecodesUtf16BeyondAscii) {
    // "é" and U+1F600 (a surrogate pair), then a lone high surrogate.
    std::string le = std::string("\xFF\xFE", 2) + std::string("\xE9\x00\x3D\xD8\x00\xDE\x0A\x00\x3D\xD8", 10);
    TempDir dir;
    std::vector<std::string> lines = Lines(dir.write("u.txt", le));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "\xC3\xA9\xF0\x9F\x98\x80");
    uint32_t high = 0;
    EXPECT_EQ(Utf16ToUtf8(std::string("\x00\xDC\x41\x00", 4), false, high), "\xEF\xBF\xBD" "A");
}

TEST(ListFileReaderTest, OverlongAndBinaryLinesComeOutEmpty) {
    TempDir dir;
    std::string huge(1 << 20, 'a');
    std::string path = dir.write("big.txt", huge + "\n/ok.pic\n" + std::string("bin\0ary\n", 8));
    EXPECT_EQ(Lines(path), (std::vector<std::string>{"", "/ok.pic", ""}));
    EXPECT_EQ(CountListLines(path), 3u);
}

TEST(ListFileReaderTest, CountsLinesWithAndWithoutTheLastLineEnd) {
    TempDir dir;
    EXPECT_EQ(CountListLines(dir.write("a.txt", "a\nb\n")), 2u);
    EXPECT_EQ(CountListLines(dir.write("b.txt", "a\nb")), 2u);
    EXPECT_EQ(CountListLines(dir.write("c.txt", "")), 0u);
    EXPECT_EQ(CountListLines(dir.file("none.txt")), 0u);
}

class ListWorkersTest : public testing::Test {
protected:
    ListWorkersTest() {
        AppState state;
        NewSession(session, state);
        progress.reset();
        progress.clearCount();
    }
    TempDir dir;
    Session session;
    ProgressState progress;
};

TEST_F(ListWorkersTest, ExportThenImportGivesTheSameList) {
    std::string a = dir.write("a.pic", "x");
    std::string b = dir.write("b b.pct", "x");
    session.inputs.add(a, "");
    session.inputs.add(b, "");
    std::string list = dir.file("list.txt");
    ExportListWorker(session.inputs, list, progress);
    EXPECT_EQ(progress.snapshot().count, 2);
    EXPECT_EQ(ReadFileText(list), "\xEF\xBB\xBF" + a + "\r\n" + b + "\r\n");

    Session other;
    AppState state;
    NewSession(other, state);
    ProgressState p2;
    p2.reset();
    p2.clearCount();
    ImportListWorker(other, list, "", p2);
    EXPECT_EQ(p2.snapshot().count, 2);
    ASSERT_EQ(other.inputs.size(), 2u);
    EXPECT_EQ(other.inputs.entries()[1].path, b);
}

TEST_F(ListWorkersTest, ImportSkipsBlanksAndMissingPathsAndTakesFolders) {
    mkdir(dir.file("f").c_str(), 0755);
    dir.write("f/one.pic", "x");
    dir.write("f/two.pict", "x");
    dir.write("f/no.txt", "x");
    std::string list = dir.write("l.lst", "\n   \n" + dir.file("missing.pic") + "\n" + dir.file("f") + "\n");
    ImportListWorker(session, list, "", progress);
    EXPECT_EQ(progress.snapshot().count, 2);
    EXPECT_EQ(progress.snapshot().index, 1) << "one line named something that exists";
    EXPECT_EQ(session.inputs.entries()[0].path, dir.file("f/one.pic"));

    // A list naming itself is not a picture; a list that cannot be read adds
    // nothing.
    std::string self = dir.file("self.txt");
    dir.write("self.txt", self + "\n");
    ProgressState p;
    ImportListWorker(session, self, "", p);
    EXPECT_EQ(p.snapshot().count, 0);
    ImportListWorker(session, dir.file("none.txt"), "", p);
    EXPECT_EQ(p.snapshot().count, 0);
}

TEST_F(ListWorkersTest, ExportThatCannotWriteKeepsTheOldFile) {
    session.inputs.add("/x.pic", "");
    ExportListWorker(session.inputs, dir.file("no/such/folder/list.txt"), progress);
    EXPECT_EQ(progress.snapshot().count, 0);

    std::string old = dir.write("keep.txt", "old");
    progress.stop();
    ExportListWorker(session.inputs, old, progress);
    EXPECT_EQ(ReadFileText(old), "\xEF\xBB\xBF") << "a stopped export writes the mark only";
}

} // namespace
} // namespace dravik
