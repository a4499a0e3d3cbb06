// The links and files the window hands to the desktop.
#include "ui/shell_targets.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

TEST(ShellTargetsTest, SearchFieldsKeepTwelveCharactersThenOnlyLettersAndDigits) {
    struct Case {
        const char* field;
        const char* cleaned;
    };
    const Case cases[] = {
        {".PSD", "psd"},
        {"jpg", "jpg"},
        {"tiff image", "tiffimage"},
        // Cut to "abcdefghij.k" before the dot goes: eleven remain.
        {"abcdefghij.klmnopqrst", "abcdefghijk"},
        // Accented letters count as one character each and are then dropped.
        {"\xC3\xA4\xC3\xB6\xC3\xBC"
         "abcdefghijklmn",
         "abcdefghi"},
        {"...", ""},
        {"", ""},
        {" J P 2 ", "jp2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CleanSearchExtension(c.field), c.cleaned) << c.field;
    EXPECT_EQ(ConverterSearchUrl("psd", "jpg"), "http://www.tolvenor.example/find/psd-jpg/");
}

TEST(ShellTargetsTest, MailLinksNameTheSupportAddressAndAnEncodedSubject) {
    EXPECT_EQ(SupportMailLink(), "mailto:support@tolvenor.example");
    EXPECT_EQ(FeedbackMailLink(),
              "mailto:support@tolvenor.example?subject=Tolvenor%20Dravik%203.1%20Feedback");
    EXPECT_EQ(PercentEncode("a&b=c?d/\xC3\xA9"), "a%26b%3Dc%3Fd%2F%C3%A9");
}

TEST(ShellTargetsTest, ManualIsLookedForBesideTheProgramThenInTheInstalledDocumentation) {
    test::TempDir dir;
    const std::string bin = dir.path() + "bin/";
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    // Neither exists: the path beside the program.
    EXPECT_EQ(ManualPath(bin), bin + "manual.html");

    ASSERT_EQ(mkdir((dir.path() + "share").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir.path() + "share/doc").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dir.path() + "share/doc/dravik").c_str(), 0755), 0);
    const std::string installed = dir.write("share/doc/dravik/manual.html", "<html></html>");
    EXPECT_EQ(ManualPath(bin), installed);
    // A folder of that name beside the program is not a manual.
    ASSERT_EQ(mkdir((bin + "manual.html").c_str(), 0755), 0);
    EXPECT_EQ(ManualPath(bin), installed);

    ASSERT_EQ(rmdir((bin + "manual.html").c_str()), 0);
    dir.write("bin/manual.html", "<html></html>");
    EXPECT_EQ(ManualPath(bin), bin + "manual.html");
}

} // namespace
} // namespace dravik
