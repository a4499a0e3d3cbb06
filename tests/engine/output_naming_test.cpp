#include "engine/output_naming.h"

#include <gtest/gtest.h>

#include <ctime>
#include <ostream>
#include <set>
#include <string>

namespace dravik {
namespace {

// 2021-03-04 05:06:07, every field below ten so that missing padding shows.
std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 2021 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 4;
    t.tm_hour = 5;
    t.tm_min = 6;
    t.tm_sec = 7;
    return t;
}

AppState FirstFileOfSession(const std::string& input = "/in/photo.pic") {
    AppState s;
    s.currentInput = input;
    s.outputFolder = "/out/";
    s.outputExtension = "jpg";
    s.outputBitDepth = 24;
    s.resultWidth = 640;
    s.resultHeight = 480;
    s.frameNumber = 1;
    s.randomNumber = 7;
    s.fileCounter = 1;
    return s;
}

Settings WithMask(const std::string& mask) {
    Settings settings;
    settings.advanced.filenameMask = mask;
    return settings;
}

// --- NameWithoutExtension --------------------------------------------------------------------

struct NameCase {
    std::string fileName;
    std::string expected;
};

void PrintTo(const NameCase& c, std::ostream* os) {
    *os << '"' << c.fileName << '"';
}

class NameWithoutExtensionTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(NameWithoutExtensionTest, DropsOnlyARealExtension) {
    EXPECT_EQ(NameWithoutExtension(GetParam().fileName), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameWithoutExtensionTest,
    ::testing::Values(NameCase{"photo.pic", "photo"}, NameCase{"a.b.pic", "a.b"},
                      NameCase{"name.", "name"}, NameCase{"photo", "photo"},
                      NameCase{"a.b c", "a.b c"}, NameCase{"my photo.pic", "my photo"},
                      NameCase{".profile", ".profile"}, NameCase{".", "."}, NameCase{"..", "."},
                      NameCase{"", ""}, NameCase{"dir.x/name", "dir.x/name"},
                      NameCase{"dir.x\\name", "dir.x\\name"},
                      NameCase{"dir/.profile", "dir/.profile"}, NameCase{"dir/a.pic", "dir/a"},
                      NameCase{"\xC3\xA9t\xC3\xA9.pict", "\xC3\xA9t\xC3\xA9"}));

// --- Masks -----------------------------------------------------------------------------------

struct MaskCase {
    std::string mask;
    std::string input;
    std::string expected;
};

void PrintTo(const MaskCase& c, std::ostream* os) {
    *os << "mask \"" << c.mask << "\" for " << c.input;
}

class FileMaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(FileMaskTest, ExpandsToTheExpectedName) {
    const MaskCase& c = GetParam();
    const std::tm now = FixedTime();
    EXPECT_EQ(ExpandFileMask(WithMask(c.mask), FirstFileOfSession(c.input), &now), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, FileMaskTest,
    ::testing::Values(
        MaskCase{"", "/in/photo.pic", "photo.jpg"},
        // Placeholders are found in any case; %ext% still yields the stored lower case.
        MaskCase{"%FILENAME[U]%_%n%.%EXT%", "/in/photo.pic", "PHOTO_00001.jpg"},
        MaskCase{"%filename[t]%.%ext[t]%", "/in/mY pHoto.pic", "My photo.Jpg"},
        MaskCase{"%filename[l]%.%ext[u]%", "/in/PhOTO.PIC", "photo.JPG"},
        // The whole mask is lowered, literal text included.
        MaskCase{"IMG_%n%", "/in/photo.pic", "img_00001"},
        MaskCase{"\xC3\x89T\xC3\x89_%filename%", "/in/photo.pic", "\xC3\xA9t\xC3\xA9_photo"},
        // A value holding a later placeholder is expanded again...
        MaskCase{"%filename%", "/in/a%ext%b.pic", "ajpgb"},
        MaskCase{"%filename%", "/in/%N%.pic", "00001"},
        // ...but never the same placeholder, which would not terminate.
        MaskCase{"%filename%", "/in/x%filename%y.pic", "x%filename%y"},
        MaskCase{"%n%-%n%", "/in/photo.pic", "00001-00001"},
        MaskCase{"%yyyy%-%mm%-%dd% %hh%.%ii%.%ss%", "/in/photo.pic", "2021-03-04 05.06.07"},
        MaskCase{"%bpp%_%width%x%height%_%frame%_%rnd%", "/in/photo.pic", "24_640x480_1_00007"},
        MaskCase{"%foo%_%filename%", "/in/photo.pic", "%foo%_photo"},
        MaskCase{"%filename", "/in/photo.pic", "%filename"},
        // Unicode case mapping, also for the first character of [t].
        MaskCase{"%filename[u]%",
                 "/in/\xC3\xA9"
                 "cole.pic",
                 "\xC3\x89"
                 "COLE"},
        MaskCase{"%filename[l]%",
                 "/in/\xC3\x89"
                 "COLE.pic",
                 "\xC3\xA9"
                 "cole"},
        MaskCase{"%filename[t]%", "/in/\xC3\xA9lan VITAL.pic", "\xC3\x89lan vital"},
        // Names that are not UTF-8 fall back to ASCII case mapping, bytes kept.
        MaskCase{"%filename[u]%|%filename[t]%|%filename[l]%",
                 "/in/\xFF\xFE"
                 "Ab.pic",
                 "\xFF\xFE"
                 "AB|\xFF\xFE"
                 "ab|\xFF\xFE"
                 "ab"},
        MaskCase{"%filename[t]%", "/in/aB\xE2\x82.pic", "Ab\xE2\x82"},
        // A stray lead byte must not swallow the letter after it.
        MaskCase{"%filename[l]%",
                 "/in/\xC3"
                 "AB.pic",
                 "\xC3"
                 "ab"},
        MaskCase{"IMG\xC3"
                 "ABC_%N%",
                 "/in/photo.pic",
                 "img\xC3"
                 "abc_00001"}));

// The counters are padded to five digits but never cut: cutting would give the
// 100000th file the name of the 10000th and overwrite it.
struct CounterCase {
    int32_t value;
    std::string expected;
};

class CounterPaddingTest : public ::testing::TestWithParam<CounterCase> {};

TEST_P(CounterPaddingTest, PadsButNeverCuts) {
    const std::tm now = FixedTime();
    AppState s = FirstFileOfSession();
    s.fileCounter = GetParam().value;
    s.randomNumber = GetParam().value;
    EXPECT_EQ(PlaceholderValue("%n%", s, now), GetParam().expected);
    EXPECT_EQ(PlaceholderValue("%rnd%", s, now), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Counters, CounterPaddingTest,
                         ::testing::Values(CounterCase{7, "00007"}, CounterCase{12345, "12345"},
                                           CounterCase{99999, "99999"},
                                           CounterCase{100000, "100000"},
                                           CounterCase{123456, "123456"}));

TEST(OutputNamingTest, DistinctCountersNeverShareAName) {
    const std::tm now = FixedTime();
    const Settings settings = WithMask("%n%.%ext%");
    AppState s = FirstFileOfSession();
    s.fileCounter = 10000;
    const std::string tenThousandth = ExpandFileMask(settings, s, &now);
    s.fileCounter = 100000;
    EXPECT_NE(ExpandFileMask(settings, s, &now), tenThousandth);
}

TEST(OutputNamingTest, DateAndTimeValuesArePadded) {
    const std::tm now = FixedTime();
    const AppState s = FirstFileOfSession();
    EXPECT_EQ(PlaceholderValue("%yyyy%", s, now), "2021");
    EXPECT_EQ(PlaceholderValue("%mm%", s, now), "03");
    EXPECT_EQ(PlaceholderValue("%dd%", s, now), "04");
    EXPECT_EQ(PlaceholderValue("%hh%", s, now), "05");
    EXPECT_EQ(PlaceholderValue("%ii%", s, now), "06");
    EXPECT_EQ(PlaceholderValue("%ss%", s, now), "07");

    std::tm late = now;
    late.tm_year = 1999 - 1900;
    late.tm_mon = 11;
    late.tm_mday = 31;
    late.tm_hour = 23;
    late.tm_min = 59;
    late.tm_sec = 58;
    EXPECT_EQ(ExpandFileMask(WithMask("%yyyy%%mm%%dd%%hh%%ii%%ss%"), s, &late), "19991231235958");
}

TEST(OutputNamingTest, NumericValuesAreUnpadded) {
    const std::tm now = FixedTime();
    AppState s = FirstFileOfSession();
    s.outputBitDepth = 8;
    s.resultWidth = 1;
    s.resultHeight = 12000;
    EXPECT_EQ(PlaceholderValue("%bpp%", s, now), "8");
    EXPECT_EQ(PlaceholderValue("%width%", s, now), "1");
    EXPECT_EQ(PlaceholderValue("%height%", s, now), "12000");
    EXPECT_EQ(PlaceholderValue("%frame%", s, now), "1");
    EXPECT_EQ(PlaceholderValue("%nothing%", s, now), "");
}

// The watermark text is not lowered first, so matching must ignore case itself
// and must leave the surrounding text as it is.
TEST(OutputNamingTest, ExpandPlaceholderReplacesEveryOccurrenceInAnyCase) {
    const std::tm now = FixedTime();
    const AppState s = FirstFileOfSession();
    EXPECT_EQ(ExpandPlaceholder("Shot %FileName% / %FILENAME% / %filename%", "%filename%", s, &now),
              "Shot photo / photo / photo");
    EXPECT_EQ(ExpandPlaceholder("%Ext[T]% %ext%", "%EXT[t]%", s, &now), "Jpg %ext%");
    EXPECT_EQ(ExpandPlaceholder("No Placeholder", "%n%", s, &now), "No Placeholder");
    EXPECT_EQ(ExpandPlaceholder("%n%", "%unknown%", s, &now), "%n%");
    EXPECT_EQ(ExpandPlaceholder("", "%n%", s, &now), "");
}

TEST(OutputNamingTest, WithoutAFixedTimeTheLocalClockIsRead) {
    const AppState s = FirstFileOfSession();
    auto yearNow = [] {
        std::time_t t = std::time(nullptr);
        std::tm local{};
        localtime_r(&t, &local);
        return std::to_string(local.tm_year + 1900);
    };
    const std::string before = yearNow();
    const std::string expanded = ExpandPlaceholder("%yyyy%", "%yyyy%", s);
    const std::string fromMask = ExpandFileMask(WithMask("%yyyy%"), s);
    const std::string after = yearNow();
    EXPECT_TRUE(expanded == before || expanded == after) << expanded;
    EXPECT_TRUE(fromMask == before || fromMask == after) << fromMask;
}

TEST(OutputNamingTest, EveryListedPlaceholderIsRecognised) {
    const std::tm now = FixedTime();
    const AppState s = FirstFileOfSession();
    std::set<std::string> seen;
    for (const char* placeholder : Placeholders()) {
        seen.insert(placeholder);
        EXPECT_EQ(ExpandFileMask(WithMask(std::string("<") + placeholder + ">"), s, &now).find('%'),
                  std::string::npos)
            << placeholder;
    }
    EXPECT_EQ(Placeholders().size(), 19u);
    EXPECT_EQ(seen.size(), 19u);
}

// An earlier placeholder inside a later one's value is not expanded again.
TEST(OutputNamingTest, ValuesOfLaterPlaceholdersAreNotRevisited) {
    const std::tm now = FixedTime();
    AppState s = FirstFileOfSession();
    s.outputExtension = "%filename%";
    EXPECT_EQ(ExpandFileMask(WithMask("%ext%"), s, &now), "%filename%");
}

// --- Output path -----------------------------------------------------------------------------

struct PathCase {
    uint8_t keepSubfolders;
    std::string subfolder;
    std::string mask;
    std::string expected;
};

class OutputPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(OutputPathTest, JoinsFolderSubfolderAndName) {
    const PathCase& c = GetParam();
    const std::tm now = FixedTime();
    Settings settings = WithMask(c.mask);
    settings.advanced.keepSubfolders = c.keepSubfolders;
    AppState s = FirstFileOfSession("/in/2020/x.pic");
    s.importFolder = "/in/";
    s.currentSubfolder = c.subfolder;
    EXPECT_EQ(MakeOutputPath(settings, s, &now), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, OutputPathTest,
    ::testing::Values(PathCase{1, "2020/", "", "/out/2020/x.jpg"},
                      PathCase{0, "2020/", "", "/out/x.jpg"}, PathCase{1, "", "", "/out/x.jpg"},
                      PathCase{1, "2020/a/", "", "/out/2020/a/x.jpg"},
                      PathCase{0, "2020/", "%yyyy%/%filename%.%ext%", "/out/2021/x.jpg"}));

} // namespace
} // namespace dravik
