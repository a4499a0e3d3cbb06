#include "support/recorded_boxes.h"
#include "texts/builtin_texts.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dravik {
namespace {

const std::string kMissing(kNoStringError);

class BuiltinTable : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadLanguageTable()); }
};

TEST_F(BuiltinTable, HoldsEveryGroupWithItsEntryCount) {
    struct Case {
        const char* group;
        int entries;
    };
    const Case cases[] = {{"Menu", 28},
                          {"General", 10},
                          {"Msg", 43},
                          {"Dialog", 18},
                          {"Preferences", 223},
                          {"About", 4},
                          {"Custom-Converter", 4},
                          {"Uninstall", 3},
                          {"Console", 23}};
    LanguageTable table;
    ASSERT_TRUE(table.load());
    int total = 0;
    for (const Case& c : cases) {
        EXPECT_EQ(table.entryCount(c.group), c.entries) << c.group;
        total += c.entries;
    }
    EXPECT_EQ(table.groupCount(), 9);
    EXPECT_EQ(table.entryCount(), total);
    EXPECT_EQ(table.entryCount("custom-CONVERTER"), 4);
    EXPECT_EQ(table.entryCount("Nothing"), 0);
}

TEST_F(BuiltinTable, DefinesGroupsInTheirFixedOrder) {
    std::vector<std::string> groups;
    for (const TextPair& pair : BuiltinTexts()) {
        if (std::string(pair.first) == "_GROUP_")
            groups.emplace_back(pair.second);
    }
    const std::vector<std::string> expected = {
        "Menu",  "General",          "Msg",       "Dialog", "Preferences",
        "About", "Custom-Converter", "Uninstall", "Console"};
    EXPECT_EQ(groups, expected);
    ASSERT_FALSE(BuiltinTexts().empty());
    EXPECT_STREQ(BuiltinTexts().back().first, "_END_");
    EXPECT_STREQ(BuiltinTexts().back().second, "");
}

// The preferences captions follow three patterns; a caption typed with a stray or missing colon
// moves an entry from one pattern to another and shows up in these counts.
TEST_F(BuiltinTable, PreferencesCaptionsFollowTheirPatterns) {
    int asKey = 0;
    int asLabel = 0;
    int other = 0;
    int medium = 0;
    bool inPreferences = false;
    for (const TextPair& pair : BuiltinTexts()) {
        const std::string first = pair.first;
        const std::string second = pair.second;
        if (first == "_GROUP_" || first == "_END_") {
            inPreferences = second == "Preferences";
            continue;
        }
        if (!inPreferences)
            continue;
        if (second == first)
            ++asKey;
        else if (second == first + ":")
            ++asLabel;
        else
            ++other;
        if (first == "Medium")
            ++medium;
    }
    EXPECT_EQ(asKey, 92);
    EXPECT_EQ(asLabel, 61);
    EXPECT_EQ(other, 70);
    EXPECT_EQ(medium, 2);
}

// Sorting, splitting and the first-letter index together must leave every entry reachable,
// whatever the case of the lookup.
TEST_F(BuiltinTable, FindsEveryBuiltinEntryInAnyCase) {
    auto lower = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::string group;
    int checked = 0;
    for (const TextPair& pair : BuiltinTexts()) {
        const std::string first = pair.first;
        if (first == "_END_")
            break;
        if (first == "_GROUP_") {
            group = pair.second;
            continue;
        }
        EXPECT_EQ(GetText(group, first), pair.second) << group << "/" << first;
        EXPECT_EQ(GetText(lower(group), lower(first)), pair.second) << group << "/" << first;
        ++checked;
    }
    EXPECT_EQ(checked, 356);
}

TEST_F(BuiltinTable, GivesExactTexts) {
    struct Case {
        const char* group;
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"Msg", "Invalid input folder",
         "The following input folder is invalid or doesn't exist:\r\n%s1%\r\n\r\nPlease, "
         "correct the input path and try again!"},
        {"Msg", "Ask continue to find",
         "No matches of %s1% found!\r\n\r\nDo you want to search from the start of the list?"},
        {"Msg", "Invalid output folder",
         "The following output folder is invalid or doesn't exist:\r\n%s1%\r\n\r\nPlease, "
         "correct the output path and try again!"},
        {"Msg", "Another instance", "Another instance of Tolvenor Dravik is running."},
        {"Msg", "Files converted", "Files converted: %s1% of %s2%"},
        {"Msg", "Progress", "(%s1%/%s2%)"},
        {"Msg", "Ask overwrite file", "The file already exist. Do you want to overwrite it?"},
        {"Msg", "Clean recent files", "Clean Recent Files"},
        {"Msg", "Empty extensions", "Please, fill all required fields and try again!"},
        {"Menu", "Custom Converter", "Find a File Converter..."},
        {"Menu", "Visit Homepage", "Visit the Program's Homepage"},
        {"General", "Preparing", "Preparing..."},
        {"Dialog", "Time Remaining", "Time Remaining: %s1%"},
        {"Dialog", "Import Input Files", "Import Input Files From A List"},
        {"About", "Website", "Web:"},
        {"Custom-Converter", "Title", "Find a File Converter"},
        {"Uninstall", "Uninstall Text", "Full Uninstall - Visit Uninstall Center"},
        {"Preferences", "Language", "Language:"},
        {"Preferences", "Bold Italic", "Bold Italic"},
        {"Preferences", "Save window position", "Save Window's Coords:"},
        {"Preferences", "Medium", "Medium"},
        {"Preferences", "X-Offset", "X-Offset:"},
        {"Preferences", "Bayer16", "Bayer ordered dot dithering 16x16"},
        {"Preferences", "Clean Recent Files", "Clean Recent Files List on Exit"},
        {"Preferences", "Title", "Preferences..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetText(c.group, c.key), c.text) << c.group << "/" << c.key;
}

TEST_F(BuiltinTable, MatchesGroupAndKeyInAnyCase) {
    const char* spellings[][2] = {
        {"Msg", "Warning"}, {"MSG", "WARNING"}, {"msg", "warning"}, {"mSg", "wArNiNg"}};
    for (const auto& spelling : spellings)
        EXPECT_EQ(GetText(spelling[0], spelling[1]), "Warning")
            << spelling[0] << "/" << spelling[1];
}

TEST_F(BuiltinTable, ReportsMissingGroupsAndKeys) {
    const char* lookups[][2] = {
        {"Msg", "No such key"},
        {"No such group", "Warning"},
        {"Menu", "Warning"}, // a key of another group
        {"Msg", "Warnin"},   // a prefix of a key
        {"Msg", "Warnings"}, // a key extended
        {"Msg", "Warning "}, // no trimming
        {"Msg", "A"},        // sorts before every key with that initial
        {"Msg", "Zebra"},    // an initial no key of the group has
        {"Uninstall", "Tz"}, // beyond the group's last key
        {"Msg", ""},
        {"", "Warning"},
        {"", ""},
        {"Msg", "\xC3\x89rror"}, // a non-ASCII first byte
        {"Msg", "\xFF"},
    };
    for (const auto& lookup : lookups)
        EXPECT_EQ(GetText(lookup[0], lookup[1]), kMissing) << lookup[0] << "/" << lookup[1];
}

// The remembered group must be replaced by each lookup, never trusted for another group.
TEST_F(BuiltinTable, SwitchesGroupsBetweenLookups) {
    EXPECT_EQ(GetText("Msg", "Warning"), "Warning");
    EXPECT_EQ(GetText("Menu", "File"), "File");
    EXPECT_EQ(GetText("Msg", "Error"), "Error");
    EXPECT_EQ(GetText("Menu", "Error"), kMissing);
    EXPECT_EQ(GetText("No such group", "Error"), kMissing);
    EXPECT_EQ(GetText("Msg", "Error"), "Error");
    EXPECT_EQ(GetText("About", "Title"), "About...");
    EXPECT_EQ(GetText("Uninstall", "Title"), "Uninstall");
    EXPECT_EQ(GetText("About", "Title"), "About...");
}

TEST_F(BuiltinTable, AnswersLookupsFromSeveralThreads) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                const bool ok = (t % 2 == 0) ? GetText("Msg", "Error") == "Error"
                                             : GetText("Dialog", "Cancel") == "Cancel";
                if (!ok || GetText("Menu", "Exit") != "Exit")
                    ++failures[t];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

TEST(LanguageTableBlock, FindsNothingBeforeLoading) {
    LanguageTable table;
    EXPECT_EQ(table.groupCount(), 0);
    EXPECT_EQ(table.entryCount(), 0);
    EXPECT_EQ(table.getText("Msg", "Warning"), kMissing);
    EXPECT_EQ(table.getText("", ""), kMissing);
}

TEST(LanguageTableBlock, SortsAndIndexesEntriesGivenInAnyOrder) {
    const TextPair block[] = {
        {"_group_", "Letters"},
        {"abc", "three"},
        {"B", "bee"},
        {"a", "one"},
        {"Ab", "two"},
        {"Empty", ""},
        {"\xC3\xA9t\xC3\xA9", "summer"},
        {"_GROUP_", "Nothing"},
        {"_GROUP_", "Other"},
        {"a", "other one"},
        {"Text", "caf\xC3\xA9\r\nline"},
        {"_End_", ""},
        {"After", "end"},
    };
    LanguageTable table;
    ASSERT_TRUE(table.load(block));
    EXPECT_EQ(table.groupCount(), 3);
    EXPECT_EQ(table.entryCount(), 8);
    EXPECT_EQ(table.entryCount("Letters"), 6);
    EXPECT_EQ(table.entryCount("Nothing"), 0);
    EXPECT_EQ(table.entryCount("Other"), 2);

    struct Case {
        const char* group;
        const char* key;
        std::string text;
    };
    const Case cases[] = {
        {"Letters", "A", "one"},
        {"Letters", "AB", "two"},
        {"Letters", "ABC", "three"},
        {"Letters", "b", "bee"},
        {"Letters", "EMPTY", ""}, // an empty text is a text, not a missing entry
        {"Letters", "ABCD", kMissing},
        {"Letters", "C", kMissing},
        {"Letters", "\xC3\xA9t\xC3\xA9", kMissing},
        {"Nothing", "A", kMissing},
        {"Other", "a", "other one"},
        {"Other", "TEXT", "caf\xC3\xA9\r\nline"},
        {"Other", "After", kMissing},
        {"Letters", "Text", kMissing},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.getText(c.group, c.key), c.text) << c.group << "/" << c.key;
}

TEST(LanguageTableBlock, StopsAtTheEndOfABlockWithoutEndMarker) {
    const TextPair block[] = {{"_GROUP_", "Only"}, {"Key", "Value"}};
    LanguageTable table;
    ASSERT_TRUE(table.load(block));
    EXPECT_EQ(table.entryCount(), 1);
    EXPECT_EQ(table.getText("Only", "Key"), "Value");
}

TEST(LanguageTableBlock, ReloadingReplacesTheWholeTable) {
    const TextPair first[] = {{"_GROUP_", "Old"}, {"Key", "old"}, {"_END_", ""}};
    const TextPair second[] = {{"_GROUP_", "New"}, {"Key", "new"}, {"Zed", "z"}, {"_END_", ""}};
    LanguageTable table;
    ASSERT_TRUE(table.load(first));
    EXPECT_EQ(table.getText("Old", "Key"), "old");
    ASSERT_TRUE(table.load(second));
    EXPECT_EQ(table.getText("Old", "Key"), kMissing);
    EXPECT_EQ(table.getText("New", "Key"), "new");
    EXPECT_EQ(table.getText("New", "Zed"), "z");
    EXPECT_EQ(table.groupCount(), 1);
    EXPECT_EQ(table.entryCount(), 2);
}

class LanguageFileOverlay : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = std::filesystem::temp_directory_path() /
                ("dravik_language_" + std::to_string(::getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    void write(const std::string& bytes) {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }
    std::filesystem::path path_;
};

TEST_F(LanguageFileOverlay, ReplacesTextsTheFileGives) {
    write("\xEF\xBB\xBF\r\n"
          "; a translation\r\n"
          "Warning = outside any group\r\n"
          "[msg]\r\n"
          "  warning=Achtung\n"
          "Error   =   Fehler  \r"
          "Unknown key = ignored\r\n"
          "Progress =\r\n"
          "[Menu]\r\n"
          "File = Datei \xC3\xA4\r\n"
          "[MSG]\r\n"
          "Ready = a second group of the same name is not read\r\n"
          "[No such group]\r\n"
          "Exit = ignored\r\n");
    LanguageTable table;
    ASSERT_TRUE(table.load(path_.string()));
    struct Case {
        const char* group;
        const char* key;
        const char* text;
    };
    const Case cases[] = {
        {"Msg", "Warning", "Achtung"},
        {"Msg", "Error", "Fehler  "},
        {"Msg", "Progress", ""},
        {"Msg", "Unknown key", kNoStringError.data()},
        {"Msg", "Conversion complete", "Conversion complete"},
        {"Menu", "File", "Datei \xC3\xA4"},
        {"Menu", "Exit", "Exit"},
        {"General", "Ready", "Ready"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(table.getText(c.group, c.key), c.text) << c.group << "/" << c.key;
    EXPECT_EQ(table.entryCount(), 356);
}

TEST_F(LanguageFileOverlay, KeepsBuiltinTextsWhenTheFileCannotBeRead) {
    const std::string paths[] = {path_.string(), std::filesystem::temp_directory_path().string()};
    for (const std::string& path : paths) {
        LanguageTable table;
        ASSERT_TRUE(table.load(path));
        EXPECT_EQ(table.getText("Msg", "Warning"), "Warning") << path;
        EXPECT_EQ(table.entryCount(), 356) << path;
    }
}

TEST(SubstituteArgs, FillsTheFilesConvertedText) {
    ASSERT_TRUE(LoadLanguageTable());
    EXPECT_EQ(SubstituteArgs(GetText("Msg", "Files converted"), "3", "10"),
              "Files converted: 3 of 10");
    EXPECT_EQ(SubstituteArgs(GetText("Msg", "Files converted"), "3", "10", "", ""),
              "Files converted: 3 of 10");
}

TEST(SubstituteArgs, ReplacesPlaceholders) {
    struct Case {
        const char* text;
        const char* s1;
        const char* s2;
        const char* s3;
        const char* s4;
        const char* expected;
    };
    const Case cases[] = {
        {"%S1% and %s1%", "x", "", "", "", "x and x"},
        {"(%s1%/%s2%)", "", "5", "", "", "(%s1%/5)"},
        {"", "a", "b", "c", "d", ""},
        {"%s1%-%s2%-%s3%-%s4%", "a", "bb", "", "dddd", "a-bb-%s3%-dddd"},
        {"%s4%%s3%%s2%%s1%", "1", "2", "3", "4", "4321"},
        {"no placeholder", "a", "b", "c", "d", "no placeholder"},
        {"%s5% %s 1% s1% %s1", "x", "x", "x", "x", "%s5% %s 1% s1% %s1"},
        {"%%s1%%", "x", "", "", "", "%x%"},
        {"A %s1% B", "%s2%", "x", "", "", "A x B"},       // later values fill earlier ones
        {"%s2% %s1%", "one", "%s1%", "", "", "%s1% one"}, // but not the other way round
        {"[%s1%]", "%s1%%s1%", "", "", "", "[%s1%%s1%]"}, // a value holding its own name
        {"%s1%%s1%", "%S1%", "", "", "", "%S1%%S1%"},
        {"%s1%", "a much longer value", "", "", "", "a much longer value"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SubstituteArgs(c.text, c.s1, c.s2, c.s3, c.s4), c.expected) << c.text;
}

using test::Box;
using test::RecordedBoxes;

class MessageBoxRouting : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(LoadLanguageTable()); }
    void TearDown() override { SetMessageBoxes(nullptr); }
};

TEST_F(MessageBoxRouting, PassesTitlesAndTextsToTheInstalledBoxes) {
    RecordedBoxes boxes;
    boxes.answer = [] { return true; };
    ShowWarning("w");
    ShowError("e");
    ShowInfo("No Update", "i");
    EXPECT_TRUE(AskWarningQuestion("q"));
    EXPECT_TRUE(AskQuestion("Check for Updates", "u"));
    EXPECT_TRUE(AskQuestion("Reset to Defaults", "r"));
    const std::vector<Box> expected = {
        {"warning", "Warning", "w"},
        {"error", "Error", "e"},
        {"info", "No Update", "i"},
        {"askWarning", "Warning", "q"},
        {"askQuestion", "Check for Updates", "u"},
        {"askQuestion", "Reset to Defaults", "r"},
    };
    EXPECT_EQ(boxes.shown, expected);
}

TEST_F(MessageBoxRouting, ReturnsTheAnswerGiven) {
    RecordedBoxes boxes;
    EXPECT_FALSE(AskWarningQuestion("q"));
    EXPECT_FALSE(AskQuestion("New Update", "n"));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1], (Box{"askQuestion", "New Update", "n"}));
}

TEST_F(MessageBoxRouting, AnswersNoAndShowsNothingWithoutBoxes) {
    RecordedBoxes boxes;
    boxes.answer = [] { return true; };
    SetMessageBoxes(nullptr);
    ShowWarning("w");
    ShowError("e");
    ShowInfo("t", "i");
    EXPECT_FALSE(AskWarningQuestion("q"));
    EXPECT_FALSE(AskQuestion("Warning", "q"));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(FillArgs, FillsOnceSoPathsComeOutAsTheyWentIn) {
    struct Case {
        const char* text;
        const char* s1;
        const char* s2;
        const char* expected;
    };
    const Case cases[] = {
        {"dravik: %s1%: %s2%", "/in/a.pic", "not readable", "dravik: /in/a.pic: not readable"},
        {"dravik: %s1%: %s2%", "/in/%s2%.pic", "why", "dravik: /in/%s2%.pic: why"},
        {"dravik: %s1%: %s2%", "/in/a.pic", "cannot write /out/%s1%.jpg",
         "dravik: /in/a.pic: cannot write /out/%s1%.jpg"},
        {"%S2%-%s1%", "a", "b", "b-a"},
        {"%s1% and %s3%", "x", "", "x and "},
        {"%s5% %s 1% 100%", "x", "y", "%s5% %s 1% 100%"},
        {"%s1", "x", "", "%s1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FillArgs(c.text, c.s1, c.s2), c.expected) << c.text << " / " << c.s1;
}

} // namespace
} // namespace dravik
