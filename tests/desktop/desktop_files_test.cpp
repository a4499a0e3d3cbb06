// The manual page and the bash completion the build makes, read the way
// users meet them: the page rendered by man, the completion run by bash.
#include "app/console_texts.h"
#include "batch/exit_codes.h"
#include "batch/option_table.h"
#include "settings/tokens.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace dravik {
namespace {

using test::ProgramEnv;
using test::ProgramResult;
using test::RunProgram;
using test::TempDir;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The page as `man -l` shows it in a plain terminal, overstrikes removed.
ProgramResult RenderManPage() {
    ProgramEnv env;
    env.extra = {{"LC_ALL", "C"},
                 {"MANWIDTH", "100"},
                 {"MANPAGER", "cat"},
                 {"PAGER", "cat"},
                 {"MAN_KEEP_FORMATTING", "\x01unset"}};
    ProgramResult r = RunProgram({"--warnings", "-l", DRAVIK_MAN_PAGE}, env, "/usr/bin/man", 30);
    std::string plain;
    for (char c : r.out) {
        if (c == '\b') {
            if (!plain.empty())
                plain.pop_back();
        } else {
            plain += c;
        }
    }
    r.out = plain;
    return r;
}

// The entry an option heads: from its heading line to the next heading.
std::string EntryOf(const std::string& page, const std::string& name) {
    const std::string indent = "\n       ";
    for (size_t at = page.find(indent + name); at != std::string::npos;
         at = page.find(indent + name, at + 1)) {
        const size_t after = at + indent.size() + name.size();
        if (after < page.size() && std::string(" =,\n").find(page[after]) == std::string::npos)
            continue; // another option this name begins
        const size_t next = page.find(indent + "-", after);
        // Lines joined, so that a sentence reads the same wherever it wraps.
        std::string entry;
        for (char c :
             page.substr(at + 1, next == std::string::npos ? std::string::npos : next - at)) {
            const bool blank = c == ' ' || c == '\n' || c == '\t';
            if (!blank)
                entry += c;
            else if (!entry.empty() && entry.back() != ' ')
                entry += ' ';
        }
        return entry;
    }
    return {};
}

TEST(ManPageTest, NamesEveryOptionItsValuesAndEveryExitCode) {
    const ProgramResult page = RenderManPage();
    ASSERT_EQ(page.exitCode, 0) << page.err;
    EXPECT_EQ(page.err, "") << "groff warnings";
    const std::string& text = page.out;
    for (const OptionSpec& option : OptionTable()) {
        SCOPED_TRACE(option.name);
        // Each option heads its own entry, in the letter case users type.
        const std::string first =
            Lower(option.shortName != nullptr ? option.shortName : option.name);
        const std::string entry = EntryOf(text, first);
        ASSERT_FALSE(entry.empty());
        EXPECT_NE(entry.find(Lower(option.name)), std::string::npos);
        if (option.kind == OptionKind::Token) {
            for (const TokenPair& pair : TokenSet(option.tokenSet))
                EXPECT_NE(entry.find(std::string(pair.token) + ","), std::string::npos)
                    << pair.token;
        }
        if (option.profileKey != nullptr) {
            EXPECT_NE(entry.find(option.profileKey), std::string::npos);
        }
        if (!option.inProfile) {
            EXPECT_NE(entry.find("Not accepted in profiles."), std::string::npos);
        }
    }
    const size_t exitStatus = text.find("\nEXIT STATUS\n");
    ASSERT_NE(exitStatus, std::string::npos);
    for (int code : {kExitSuccess, kExitError, kExitStopped, kExitPartial, kExitAnotherInstance})
        EXPECT_NE(text.find("\n       " + std::to_string(code) + "  ", exitStatus),
                  std::string::npos)
            << code;
    EXPECT_NE(text.find(std::to_string(kExitSignalBase) + " + n", exitStatus), std::string::npos);
    // The usage screen as -h prints it (the page fixes the random example extension).
    for (const std::string& line : UsageLines("dravik")) {
        if (line != " ") {
            EXPECT_NE(text.find(line.substr(line.find_first_not_of(' '))), std::string::npos)
                << line;
        }
    }
    for (const char* section : {"\nPROFILES\n", "\nLIST FILES\n", "\nDIAGNOSTICS\n", "\nSIGNALS\n",
                                "\nFILES\n", "\nMODES\n"})
        EXPECT_NE(text.find(section), std::string::npos) << section;
}

// What the completion offers for a command line cut at the cursor: bash
// runs the generated function on the given words, the last being the one
// completed.
std::set<std::string> Complete(const std::vector<std::string>& words,
                               const std::string& cwd = "/") {
    std::vector<std::string> args = {
        "--norc",
        "--noprofile",
        "-c",
        R"(source "$1"; shift; cd "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1));
           _dravik; printf '%s\n' "${COMPREPLY[@]}")",
        "bash",
        DRAVIK_BASH_COMPLETION,
        cwd};
    args.insert(args.end(), words.begin(), words.end());
    const ProgramResult r = RunProgram(args, {}, "/bin/bash", 10);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::set<std::string> offered;
    for (const std::string& line : r.outLines()) {
        if (!line.empty())
            offered.insert(line);
    }
    return offered;
}

std::set<std::string> Words(int tokenSet, const std::string& prefix = "") {
    std::set<std::string> words;
    for (const TokenPair& pair : TokenSet(tokenSet))
        words.insert(prefix + pair.token);
    return words;
}

TEST(BashCompletionTest, OffersTheValuesOfAnOptionInEitherWordSplit) {
    const OptionSpec* resize = FindOption("--RESIZE-ALGORITHM");
    ASSERT_NE(resize, nullptr);
    const std::set<std::string> all = Words(resize->tokenSet);
    ASSERT_EQ(all.size(), 6u);
    // With "=" breaking words, as bash has it by default.
    EXPECT_EQ(Complete({"dravik", "--resize-algorithm", "="}), all);
    EXPECT_EQ(Complete({"dravik", "--resize-algorithm", "=", ""}), all);
    EXPECT_EQ(Complete({"dravik", "--Resize-Algorithm", "=", "bi"}),
              (std::set<std::string>{"BILINEAR", "BICUBIC"}));
    // One word, when "=" does not break words.
    EXPECT_EQ(Complete({"dravik", "-q", "--resize-algorithm="}),
              Words(resize->tokenSet, "--resize-algorithm="));
    EXPECT_EQ(Complete({"dravik", "--resize-algorithm=LAN"}),
              (std::set<std::string>{"--resize-algorithm=LANCZOS"}));
    // Every option with words gets them.
    for (const OptionSpec& option : OptionTable()) {
        if (option.kind == OptionKind::Token) {
            EXPECT_EQ(Complete({"dravik", Lower(option.name), "="}), Words(option.tokenSet))
                << option.name;
        }
    }
    EXPECT_EQ(Complete({"dravik", "-c", ""}), (std::set<std::string>{"jpg"}));
    EXPECT_TRUE(Complete({"dravik", "--width", "=", ""}).empty());
}

TEST(BashCompletionTest, OffersOptionNamesAndPathsWhereTheyBelong) {
    EXPECT_EQ(Complete({"dravik", "--jpg-q"}), (std::set<std::string>{"--jpg-quality="}));
    EXPECT_EQ(Complete({"dravik", "--FLIP"}),
              (std::set<std::string>{"--flip-horizontal", "--flip-vertical"}));
    std::set<std::string> names;
    for (const OptionSpec& option : OptionTable())
        names.insert(Lower(option.name) + (option.kind == OptionKind::Switch ? "" : "="));
    const std::set<std::string> offered = Complete({"dravik", "--"});
    EXPECT_TRUE(std::includes(offered.begin(), offered.end(), names.begin(), names.end()));

    TempDir dir;
    dir.write("pics/a one.pic", "x");
    dir.write("pics/also/b.pic", "x");
    dir.write("other.txt", "x");
    const std::string pics = dir.path() + "pics/";
    // -i and plain parameters take files and folders, -o folders only;
    // relative paths complete from the current folder.
    EXPECT_EQ(Complete({"dravik", "-i", pics + "a"}),
              (std::set<std::string>{pics + "a one.pic", pics + "also"}));
    EXPECT_EQ(Complete({"dravik", "--input", "=", pics + "a"}),
              (std::set<std::string>{pics + "a one.pic", pics + "also"}));
    EXPECT_EQ(Complete({"dravik", "-o", pics + "a"}), (std::set<std::string>{pics + "also"}));
    EXPECT_EQ(Complete({"dravik", "pics/a"}, dir.path()),
              (std::set<std::string>{"pics/a one.pic", "pics/also"}));
}

} // namespace
} // namespace dravik
