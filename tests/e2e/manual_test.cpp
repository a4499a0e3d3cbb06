// The user manual shipped beside the executable must keep up with the program: every
// command-line option, every file name placeholder and every settings key it offers has to be
// named in it, and the manual has to stand alone in a browser.
#include "app/console_texts.h"
#include "batch/option_table.h"
#include "engine/output_naming.h"
#include "settings/settings_schema.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace dravik {
namespace {

std::filesystem::path ManualPath() {
    return std::filesystem::path(DRAVIK_EXE).parent_path() / "manual.html";
}

std::string ReadManual() {
    std::ifstream in(ManualPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool NameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-';
}

// The option as a whole word: "--rotation" is not found inside "--rotation-type", nor "-i"
// inside "--wm-image".
bool MentionsOption(const std::string& lowerManual, const std::string& option) {
    const std::string needle = Lower(option);
    for (size_t at = lowerManual.find(needle); at != std::string::npos;
         at = lowerManual.find(needle, at + 1)) {
        const bool startsWord = at == 0 || !NameChar(lowerManual[at - 1]);
        const size_t end = at + needle.size();
        const bool endsWord = end == lowerManual.size() || !NameChar(lowerManual[end]);
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

class ManualTest : public testing::Test {
  protected:
    void SetUp() override {
        manual = ReadManual();
        ASSERT_FALSE(manual.empty()) << ManualPath() << " is missing or empty";
        lower = Lower(manual);
    }
    std::string manual;
    std::string lower;
};

TEST_F(ManualTest, IsAnHtmlDocumentBesideTheProgram) {
    EXPECT_EQ(lower.rfind("<!doctype html>", 0), 0u);
    EXPECT_NE(lower.find("</html>"), std::string::npos);
}

TEST_F(ManualTest, NamesEveryCommandLineOption) {
    size_t checked = 0;
    for (const OptionSpec& option : OptionTable()) {
        EXPECT_TRUE(MentionsOption(lower, option.name)) << option.name;
        if (option.shortName != nullptr) {
            EXPECT_TRUE(MentionsOption(lower, option.shortName)) << option.shortName;
        }
        if (option.profileKey != nullptr) {
            EXPECT_TRUE(MentionsOption(lower, option.profileKey)) << option.profileKey;
        }
        ++checked;
    }
    EXPECT_GT(checked, 100u);
}

// The help screen names the switches that are not options of a run (-h, -v ...).
TEST_F(ManualTest, NamesEveryOptionOfTheHelpScreen) {
    std::set<std::string> options;
    for (const std::string& line : UsageLines("dravik")) {
        std::istringstream words(line);
        for (std::string word; words >> word;) {
            while (!word.empty() && word.back() == ',')
                word.pop_back();
            word = word.substr(0, word.find('='));
            if (word.size() < 2 || word[0] != '-')
                continue;
            if (std::isdigit(static_cast<unsigned char>(word[1])) != 0 || word[1] == '.')
                continue; // a range such as -100..100
            options.insert(word);
        }
    }
    EXPECT_TRUE(options.contains("-?"));
    EXPECT_TRUE(options.contains("--version"));
    for (const std::string& option : options)
        EXPECT_TRUE(MentionsOption(lower, option)) << option;
}

TEST_F(ManualTest, NamesEveryFileNamePlaceholder) {
    ASSERT_FALSE(Placeholders().empty());
    for (const char* placeholder : Placeholders())
        EXPECT_NE(lower.find(Lower(placeholder)), std::string::npos) << placeholder;
}

TEST_F(ManualTest, NamesEverySettingsFileKey) {
    for (const SettingField& field : SettingsSchema()) {
        const std::string code = std::string("<code>") + field.key + "</code>";
        EXPECT_NE(manual.find(code), std::string::npos) << field.group << "/" << field.key;
    }
}

TEST_F(ManualTest, EveryContentsLinkHasItsTarget) {
    std::set<std::string> ids;
    for (size_t at = manual.find(" id=\""); at != std::string::npos;
         at = manual.find(" id=\"", at + 1)) {
        const size_t begin = at + 5;
        const std::string id = manual.substr(begin, manual.find('"', begin) - begin);
        EXPECT_TRUE(ids.insert(id).second) << "id used twice: " << id;
    }
    size_t links = 0;
    for (size_t at = manual.find("href=\"#"); at != std::string::npos;
         at = manual.find("href=\"#", at + 1)) {
        const size_t begin = at + 7;
        const std::string target = manual.substr(begin, manual.find('"', begin) - begin);
        EXPECT_TRUE(ids.contains(target)) << "link to a missing anchor: #" << target;
        ++links;
    }
    EXPECT_GT(links, 20u);
}

// Opened from disk, possibly without a network: nothing may be fetched or run.
TEST_F(ManualTest, NeedsNothingBesideItself) {
    for (const char* outside : {"<script", "<link", "<iframe", "<img", " src=", "@import", "url("})
        EXPECT_EQ(lower.find(outside), std::string::npos) << outside;
    EXPECT_NE(lower.find("<style>"), std::string::npos);
}

} // namespace
} // namespace dravik
