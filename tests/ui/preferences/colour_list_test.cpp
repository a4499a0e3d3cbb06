#include "ui/preferences/colour_list.h"

#include "texts/language_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dravik {
namespace {

class ColourListTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { LoadLanguageTable(""); }
};

struct DisplayCase {
    const char* colour;
    const char* shown;
};

TEST_F(ColourListTest, ColoursShowTheirNameOrTheirValue) {
    const std::string tooLong(40, 'A');
    const DisplayCase cases[] = {
        {"1A2B3C", "Color #1A2B3C"}, {"1a2b3c", "Color #1A2B3C"},
        {"FF8000", "Orange"},        {"ff8000", "Orange"},
        {"804000", "Brown"},         {"C0C0C0", "Silver"},
        {"ZZZZZZ", "Black"},         {"", "Black"},
        {"FF80001", "Black"},        {tooLong.c_str(), "Black"},
    };
    for (const DisplayCase& c : cases)
        EXPECT_EQ(ColourDisplayText(c.colour), c.shown) << c.colour;
}

TEST_F(ColourListTest, EveryNamedColourHasATextAndAValidValue) {
    EXPECT_EQ(NamedColours().size(), 19u);
    for (const NamedColour& named : NamedColours()) {
        EXPECT_EQ(NormaliseColour(named.colour), named.colour);
        EXPECT_NE(GetText("Preferences", named.nameKey), kNoStringError) << named.nameKey;
    }
}

TEST_F(ColourListTest, ListsKeepValidColoursOnceInOrder) {
    EXPECT_EQ(ParseColourList("000000,FFFFFF,FF0000"),
              (std::vector<std::string>{"000000", "FFFFFF", "FF0000"}));
    EXPECT_EQ(ParseColourList(" ff0000 ,ZZZZZZ,,12345,FF0000,00ff00"),
              (std::vector<std::string>{"FF0000", "00FF00"}));
    EXPECT_TRUE(ParseColourList("").empty());
    EXPECT_TRUE(ParseColourList(",,,").empty());
    EXPECT_TRUE(ParseColourList(std::string(40, 'Q')).empty());
}

TEST_F(ColourListTest, TenThousandEntriesParseWithDuplicatesDropped) {
    std::string list;
    for (int i = 0; i < 10000; ++i)
        list += (i % 3 == 0 ? "ZZZZZZ," : i % 2 ? "123ABC," : "00FF00,");
    EXPECT_EQ(ParseColourList(list), (std::vector<std::string>{"123ABC", "00FF00"}));
}

TEST_F(ColourListTest, TheCurrentColourIsSelectedOrAddedAsShownItem) {
    ColourListItems items = MakeColourListItems("000000,FFFFFF,FF0000", "ff0000");
    EXPECT_EQ(items.colours.size(), 3u);
    EXPECT_EQ(items.selected, 2u);

    items = MakeColourListItems("000000,FFFFFF", "1A2B3C");
    EXPECT_EQ(items.colours, (std::vector<std::string>{"000000", "FFFFFF", "1A2B3C"}));
    EXPECT_EQ(items.selected, 2u);

    items = MakeColourListItems("FFFFFF,000000", "ZZZZZZ");
    EXPECT_EQ(items.selected, 1u); // hostile current shows as black

    items = MakeColourListItems("garbage", std::string(40, '7'));
    EXPECT_EQ(items.colours, (std::vector<std::string>{"000000"}));
    EXPECT_EQ(items.selected, 0u);
}

TEST_F(ColourListTest, AppendingAColourAlreadyListedLeavesTheListAlone) {
    std::string list = "000000,FFFFFF";
    EXPECT_FALSE(AppendColour(list, "ffffff"));
    EXPECT_EQ(list, "000000,FFFFFF");
    EXPECT_TRUE(AppendColour(list, "1a2b3c"));
    EXPECT_EQ(list, "000000,FFFFFF,1A2B3C");

    std::string empty;
    EXPECT_TRUE(AppendColour(empty, "FF0000"));
    EXPECT_EQ(empty, "FF0000");
}

TEST_F(ColourListTest, FontListsAreTrimmedAndAppendedOnce) {
    EXPECT_EQ(ParseFontList(" Arial , Tahoma,,Arial, DejaVu Sans "),
              (std::vector<std::string>{"Arial", "Tahoma", "DejaVu Sans"}));

    std::string fonts = "Arial, Tahoma ";
    EXPECT_FALSE(AppendFont(fonts, "Tahoma"));
    EXPECT_FALSE(AppendFont(fonts, "  "));
    EXPECT_TRUE(AppendFont(fonts, "Liberation Serif"));
    EXPECT_EQ(fonts, "Arial, Tahoma ,Liberation Serif");

    std::string many;
    for (int i = 0; i < 10000; ++i)
        many += "Font " + std::to_string(i) + ",";
    EXPECT_EQ(ParseFontList(many).size(), 10000u);
    EXPECT_FALSE(AppendFont(many, "Font 9999"));
}

} // namespace
} // namespace dravik
