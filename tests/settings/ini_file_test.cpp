#include "settings/ini_file.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dravik {
namespace {

TEST(IniFileTest, GroupsAndKeysIgnoreCaseAndBlanksAroundTheEqualsSign) {
    IniFile f = IniFile::Parse("[general]\r\ncfg=10\r\n  Language   =   en  \r\n");
    ASSERT_TRUE(f.selectGroup("GENERAL"));
    EXPECT_EQ(f.readInteger("CFG", 0), 10);
    EXPECT_EQ(f.readString("language", ""), "en  "); // trailing blanks belong to the value
}

TEST(IniFileTest, KeysAreFoundOnlyInTheirGroup) {
    IniFile f = IniFile::Parse("[A]\nx=1\n[B]\ny=2\n");
    ASSERT_TRUE(f.selectGroup("A"));
    EXPECT_FALSE(f.value("y"));
    EXPECT_EQ(f.readInteger("y", 7), 7);
    ASSERT_TRUE(f.selectGroup("b"));
    EXPECT_EQ(f.readInteger("y", 7), 2);
    EXPECT_FALSE(f.selectGroup("C"));
    EXPECT_EQ(f.readString("x", "fallback"), "fallback");
}

TEST(IniFileTest, LineEndsCommentsAndOddLines) {
    IniFile f = IniFile::Parse("[G]\rA=1\n;B=2\n  ; C=3\r\n\r\nD\nE=x=y\n[Open\nF=6\n");
    ASSERT_TRUE(f.selectGroup("G"));
    EXPECT_EQ(f.readInteger("A", 0), 1);
    EXPECT_FALSE(f.value("B"));
    EXPECT_FALSE(f.value("; C"));
    EXPECT_EQ(f.readString("D", "none"), "");
    EXPECT_EQ(f.readString("E", ""), "x=y");
    ASSERT_TRUE(f.selectGroup("Open")); // a group line without "]" runs to the line end
    EXPECT_EQ(f.readInteger("F", 0), 6);
}

TEST(IniFileTest, DuplicateGroupsAndKeysTakeTheFirst) {
    IniFile f = IniFile::Parse("[G]\nk=1\nk=2\n[G]\nk=3\n");
    ASSERT_TRUE(f.selectGroup("G"));
    EXPECT_EQ(f.readInteger("k", 0), 1);
    EXPECT_EQ(f.entries().size(), 2u);
}

TEST(IniFileTest, EncodingByByteOrderMark) {
    // With the mark: UTF-8, broken bytes replaced. Without: ISO 8859-1.
    IniFile utf8 = IniFile::Parse("\xEF\xBB\xBF[G]\nt=\xC3\xA9\xFF\n");
    ASSERT_TRUE(utf8.selectGroup("G"));
    EXPECT_EQ(utf8.readString("t", ""), "\xC3\xA9\xEF\xBF\xBD");
    IniFile latin = IniFile::Parse("[G]\nt=\xE9\n");
    ASSERT_TRUE(latin.selectGroup("G"));
    EXPECT_EQ(latin.readString("t", ""), "\xC3\xA9");
}

TEST(IniFileTest, HostileContentParsesWithoutHarm) {
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 37) & 0xFF);
    IniFile b = IniFile::Parse(binary);
    b.selectGroup("CLI");
    (void)b.entries();

    std::string longLine = "[G]\nk=" + std::string(1 << 20, 'x') + "\n";
    IniFile l = IniFile::Parse(longLine);
    ASSERT_TRUE(l.selectGroup("G"));
    EXPECT_EQ(l.readString("k", "").size(), size_t{1} << 20);
}

TEST(IniFileTest, OpenRefusesWhatIsNotARegularReadableFile) {
    test::TempDir dir;
    EXPECT_FALSE(IniFile::Open(""));
    EXPECT_FALSE(IniFile::Open(dir.file("missing.ini")));
    EXPECT_FALSE(IniFile::Open(dir.path())); // a folder
    EXPECT_FALSE(IniFile::Open("/dev/zero"));
    std::string fifo = dir.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(IniFile::Open(fifo)); // must not block on an empty pipe
    EXPECT_TRUE(IniFile::Open(dir.write("empty.ini", "")));
}

TEST(IniWriterTest, WritesMarkCrLfAndBlanksAroundEquals) {
    IniWriter w;
    w.group("General");
    w.key("CFG", "19");
    w.comment();
    EXPECT_EQ(w.bytes(), "\xEF\xBB\xBF\r\n[General]\r\nCFG = 19\r\n; \r\n");
    IniFile back = IniFile::Parse(w.bytes());
    ASSERT_TRUE(back.selectGroup("General"));
    EXPECT_EQ(back.readInteger("CFG", 0), 19);
}

} // namespace
} // namespace dravik
