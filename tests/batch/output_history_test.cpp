#include "batch/output_history.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

struct AddCase {
    const char* name;
    std::string history;
    int number;
    std::string added;
    std::string expected;
};

class AddOutFolderTest : public testing::TestWithParam<AddCase> {};

TEST_P(AddOutFolderTest, RewritesTheHistory) {
    const AddCase& c = GetParam();
    Settings settings;
    settings.file.recentOutFolders = c.history;
    settings.advanced.outFoldersNumber = static_cast<uint8_t>(c.number);
    AddOutFolderToHistory(settings, c.added);
    EXPECT_EQ(settings.file.recentOutFolders, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, AddOutFolderTest,
    testing::Values(
        AddCase{"OtherCaseReplacesTheOlderEntry", "/a/\t/b/", 5, "/B/", "/B/\t/a/"},
        AddCase{"NumberOneKeepsOnlyTheNewEntry", "/a/\t/b/", 1, "/B/", "/B/"},
        AddCase{"TrailingSlashAdded", "/a/", 5, "/c", "/c/\t/a/"},
        AddCase{"SameFolderWithoutSlashIsADuplicate", "/a/\t/c/", 5, "/c", "/c/\t/a/"},
        AddCase{"FirstEntry", "", 5, "/a/", "/a/"},
        AddCase{"OldestDroppedAtTheLimit", "/a/\t/b/\t/c/", 3, "/d/", "/d/\t/a/\t/b/"},
        AddCase{"EntriesBeyondTheLimitIgnored", "/a/\t/b/\t/c/", 2, "/c/", "/c/\t/a/"},
        AddCase{"BlanksTrimmedEmptyFieldsSkipped", " /a/ \t\t/b/", 5, "/c/", "/c/\t/a/\t/b/"},
        AddCase{"NonAsciiLettersCompareWithoutCase", "/äpfel/\t/b/", 5, "/ÄPFEL/", "/ÄPFEL/\t/b/"},
        AddCase{"EmptyFolderLeavesTheHistory", "/a/\t/b/", 5, "", "/a/\t/b/"}),
    [](const testing::TestParamInfo<AddCase>& info) { return std::string(info.param.name); });

TEST(OutFolderHistoryTest, EntriesAreTrimmedFieldsAndMissingOnesEmpty) {
    const std::string history = " /a/\t\t/b/ ";
    EXPECT_EQ(OutFolderHistoryEntry(history, 0), "/a/");
    EXPECT_EQ(OutFolderHistoryEntry(history, 1), "");
    EXPECT_EQ(OutFolderHistoryEntry(history, 2), "/b/");
    EXPECT_EQ(OutFolderHistoryEntry(history, 3), "");
}

TEST(OutFolderHistoryTest, ListingSelectsTheCurrentFolderExactly) {
    Settings settings;
    settings.advanced.outFoldersNumber = 3;
    settings.file.recentOutFolders = "/a/\t\t/b/\t/c/";

    auto listing = OutFoldersToShow(settings, "/b/");
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(listing->folders, (std::vector<std::string>{"/a/", "/b/"}));
    EXPECT_EQ(listing->selected, 1);

    // Another letter case is another folder here: the first entry is chosen.
    listing = OutFoldersToShow(settings, "/B/");
    ASSERT_TRUE(listing.has_value());
    EXPECT_EQ(listing->selected, 0);

    settings.file.recentOutFolders.clear();
    EXPECT_FALSE(OutFoldersToShow(settings, "/a/").has_value());
}

} // namespace
} // namespace dravik
