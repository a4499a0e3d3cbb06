// Writes the manual page and the shell completion from the program's own
// tables, so that neither can name an option, a value or an exit status the
// program does not have, or leave one out:
//   dravik-make-docs man TEMPLATE OUTPUT
//   dravik-make-docs bash OUTPUT
#include "app/console_texts.h"
#include "batch/exit_codes.h"
#include "batch/option_table.h"
#include "settings/product.h"
#include "settings/settings.h"
#include "settings/tokens.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace dravik {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Text for roff: backslashes and minus signs escaped, a leading "." or "'"
// kept from reading as a request.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out.front() == '.' || out.front() == '\''))
        out.insert(0, "\\&");
    return out;
}

// The distinct words of a token set, in table order.
std::vector<std::string> Tokens(int set) {
    std::vector<std::string> words;
    for (const TokenPair& pair : TokenSet(set)) {
        if (std::find(words.begin(), words.end(), pair.token) == words.end())
            words.emplace_back(pair.token);
    }
    return words;
}

std::string Joined(const std::vector<std::string>& words, const char* separator) {
    std::string out;
    for (const std::string& word : words)
        out += (out.empty() ? "" : separator) + word;
    return out;
}

// What the usage screen says about an option: its synopsis and its line.
struct UsageEntry {
    std::string synopsis, description;
};

// The option lines of the usage screen ("  --width=NUM   Set ..."), by the
// upper-case long name they show.
std::map<std::string, UsageEntry> UsageEntries(const std::vector<std::string>& lines) {
    constexpr size_t kColumn = 28; // where the descriptions start
    std::map<std::string, UsageEntry> entries;
    for (const std::string& line : lines) {
        if (line.size() <= kColumn || line.compare(0, 3, "  -") != 0)
            continue;
        std::string synopsis = line.substr(2, kColumn - 2);
        synopsis.erase(synopsis.find_last_not_of(' ') + 1);
        const size_t dashes = synopsis.find("--");
        if (dashes == std::string::npos)
            continue;
        const size_t end = synopsis.find_first_of("= ,", dashes);
        std::string name = synopsis.substr(dashes, end - dashes);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        entries[name] = {synopsis, line.substr(kColumn)};
    }
    return entries;
}

std::string ValueWord(const OptionSpec& option) {
    switch (option.kind) {
    case OptionKind::Switch:
        return "";
    case OptionKind::Integer:
    case OptionKind::Float:
        return "NUM";
    case OptionKind::Token:
        return "WORD";
    case OptionKind::StringJoined:
    case OptionKind::Unquoted:
        return "TEXT";
    }
    return "";
}

// The heading of an option: "-i FILE, --input=FILE" as the usage screen
// writes it, else the long name with the kind of value it takes.
std::string OptionHeading(const OptionSpec& option, const UsageEntry* usage) {
    if (usage != nullptr) {
        // Option names bold, value words italic.
        std::string out;
        const std::string& text = usage->synopsis;
        size_t i = 0;
        while (i < text.size()) {
            if (text[i] == '-') {
                size_t end = text.find_first_of("= ,", i);
                if (end == std::string::npos)
                    end = text.size();
                out += "\\fB" + Roff(Lower(text.substr(i, end - i))) + "\\fR";
                i = end;
            } else if (std::isupper(static_cast<unsigned char>(text[i]))) {
                size_t end = text.find_first_of(", ", i);
                if (end == std::string::npos)
                    end = text.size();
                out += "\\fI" + Roff(text.substr(i, end - i)) + "\\fR";
                i = end;
            } else {
                out += text[i++];
            }
        }
        return out;
    }
    std::string out = "\\fB" + Roff(Lower(option.name)) + "\\fR";
    const std::string value = ValueWord(option);
    if (!value.empty())
        out += "=\\fI" + value + "\\fR";
    return out;
}

std::string OptionBody(const OptionSpec& option, const UsageEntry* usage) {
    std::vector<std::string> sentences;
    if (usage != nullptr)
        sentences.push_back(usage->description + ".");
    switch (option.action) {
    case OptionAction::Setting:
        if (option.kind == OptionKind::Switch)
            sentences.push_back("Sets \\fI" + std::string(option.key) + "\\fR of group \\fI[" +
                                option.group + "]\\fR to " + std::to_string(option.switchValue) +
                                "; anything after \\(lq=\\(rq is ignored.");
        else
            sentences.push_back("Sets \\fI" + std::string(option.key) + "\\fR of group \\fI[" +
                                option.group + "]\\fR.");
        break;
    case OptionAction::Input:
        sentences.push_back("A picture, a list file or a folder (read with all its subfolders). "
                            "Required for a run; without it the window opens.");
        break;
    case OptionAction::Output:
        sentences.push_back("The folder the outputs go to; it must exist.");
        break;
    case OptionAction::Conversion:
        sentences.push_back("The output extension: " + Joined(PrimaryOutputFormats(), ", ") +
                            " (lower case).");
        break;
    case OptionAction::Profile:
        sentences.push_back("Applies the keys of the file's [CLI] group (see PROFILES).");
        break;
    case OptionAction::Debug:
    case OptionAction::Quiet:
    case OptionAction::Pause:
        break;
    }
    if (option.onGroup != nullptr)
        sentences.push_back("Also sets \\fI" + std::string(option.onKey) + "\\fR of group \\fI[" +
                            option.onGroup + "]\\fR to " + std::to_string(option.onValue) + ".");
    if (option.kind == OptionKind::Token) {
        const std::vector<std::string> words = Tokens(option.tokenSet);
        sentences.push_back("\\fIWORD\\fR is one of " + Joined(words, ", ") +
                            ", in any letter case; an unknown word selects " + words.front() + ".");
    }
    if (option.kind == OptionKind::Float)
        sentences.push_back("A decimal number.");
    if (!option.inProfile)
        sentences.push_back("Not accepted in profiles.");
    else if (option.profileKey != nullptr)
        sentences.push_back("In a profile the key is \\fB" + Roff(option.profileKey) + "\\fR.");
    std::string out;
    for (const std::string& sentence : sentences)
        out += (out.empty() ? "" : " ") + sentence;
    return out;
}

// Each group of settings gets a subsection; the options that steer the run
// itself come first.
std::string OptionsSection(const std::vector<std::string>& usage) {
    const std::map<std::string, UsageEntry> entries = UsageEntries(usage);
    std::string out;
    std::string section;
    for (const OptionSpec& option : OptionTable()) {
        const bool run = option.action == OptionAction::Input ||
                         option.action == OptionAction::Output ||
                         option.action == OptionAction::Conversion;
        const std::string heading = option.group != nullptr ? std::string(option.group) + " options"
                                    : run                   ? "Run options"
                                                            : "Other options";
        if (heading != section) {
            section = heading;
            out += ".SS " + heading + "\n";
        }
        const auto found = entries.find(option.name);
        const UsageEntry* entry = found == entries.end() ? nullptr : &found->second;
        out += ".TP\n" + OptionHeading(option, entry) + "\n" + OptionBody(option, entry) + "\n";
    }
    return out;
}

std::string ExitCodesSection() {
    struct Row {
        int code;
        const char* meaning;
    };
    const Row rows[] = {
        {kExitSuccess, "Success: help, version, the window closed, or every file converted."},
        {kExitError, "An \\(lqError: \\(rq line was printed, or the window could not open "
                     "(no display)."},
        {kExitStopped, "The run ended with \\(lqConversion stopped\\(rq."},
        {kExitPartial, "Some but not all files were converted."},
        {kExitAnotherInstance, "Another instance of the program is running. A start without "
                               "parameters brings its window to the front; a start with files "
                               "and folders alone hands them to it."},
    };
    std::string out;
    for (const Row& row : rows)
        out += ".TP\n.B " + std::to_string(row.code) + "\n" + row.meaning + "\n";
    out += ".TP\n.BI \"" + std::to_string(kExitSignalBase) +
           " + \" n\nThe run was stopped by signal \\fIn\\fR: 130 for SIGINT, 143 for SIGTERM, "
           "129 for SIGHUP, 141 for SIGPIPE.\n";
    return out;
}

void Replace(std::string& text, const std::string& marker, const std::string& value) {
    for (size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + value.size()))
        text.replace(at, marker.size(), value);
}

std::string ManPage(std::string page) {
    // The usage screen as -h prints it; its example extension is a random
    // pick among the input formats, so one format is fixed here.
    const std::vector<std::string> usage = UsageLines("dravik");
    std::string usageText;
    for (const std::string& line : usage)
        usageText += (line == " " ? std::string() : Roff(line)) + "\n";
    usageText.pop_back();
    Replace(page, "@TITLE@", MakeTitleText(kProgramTitle, kProgramVersion));
    Replace(page, "@VERSION@", FormatVersion(kProgramVersion));
    Replace(page, "@HOME_PAGE@", kHomePageUrl);
    Replace(page, "@USAGE@", usageText);
    Replace(page, "@OPTIONS@", OptionsSection(usage));
    Replace(page, "@EXIT_CODES@", ExitCodesSection());
    // A template line that became empty would print as a blank line.
    std::string out;
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);)
        out += line + "\n";
    return out;
}

// Values of an option the completion offers: its words, or what kind of
// path it takes.
std::string CompletionCase(const OptionSpec& option) {
    switch (option.action) {
    case OptionAction::Input:
    case OptionAction::Profile:
        return "files";
    case OptionAction::Output:
        return "folders";
    case OptionAction::Conversion:
        return "words " + Joined(PrimaryOutputFormats(), " ");
    default:
        break;
    }
    if (option.kind == OptionKind::Token)
        return "words " + Joined(Tokens(option.tokenSet), " ");
    if (std::string(option.name) == "--WM-IMAGE")
        return "files";
    return "";
}

std::string BashCompletion() {
    std::string names, cases;
    for (const OptionSpec& option : OptionTable()) {
        const std::string name = Lower(option.name);
        const bool takesValue = option.kind != OptionKind::Switch;
        names += " " + name + (takesValue ? "=" : "");
        if (option.shortName != nullptr)
            names += " " + Lower(option.shortName);
        const std::string what = CompletionCase(option);
        if (what.empty())
            continue;
        std::string pattern = name;
        if (option.shortName != nullptr && takesValue)
            pattern += "|" + Lower(option.shortName);
        cases += "        " + pattern + ") _dravik_offer " + what + " ;;\n";
    }
    names += " -v --version -h --help -U -T";
    return R"(# bash completion for dravik                                   -*- shell-script -*-
# Made from the program's option table by its build; edit that, not this.

# Puts what fits the typed value into COMPREPLY: "words W..." (any letter
# case), "files" or "folders"; each reply starts with $_dravik_prefix.
_dravik_offer() {
    local kind=$1
    shift
    local word
    COMPREPLY=()
    case $kind in
    words)
        for word in "$@"; do
            [[ ${word,,} == "${_dravik_value,,}"* ]] && COMPREPLY+=("$_dravik_prefix$word")
        done
        ;;
    files | folders)
        compopt -o filenames 2>/dev/null
        local flag=-f
        [[ $kind == folders ]] && flag=-d
        while IFS= read -r word; do
            COMPREPLY+=("$_dravik_prefix$word")
        done < <(compgen $flag -- "$_dravik_value")
        ;;
    esac
}

_dravik() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    local option=
    _dravik_prefix=
    _dravik_value=$cur
    # "--name=value" is one word, or three ("--name" "=" "value") when "="
    # breaks words; either way only the value is completed.
    if [[ $cur == --*=* ]]; then
        option=${cur%%=*}
        _dravik_value=${cur#*=}
        _dravik_prefix=$option=
    elif [[ $cur == = && $prev == --* ]]; then
        option=$prev
        _dravik_value=
    elif [[ $prev == = ]] && ((COMP_CWORD > 1)); then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $prev == -[ioIO] || $prev == -[cC] ]]; then
        option=$prev
    fi
    if [[ -n $option ]]; then
        COMPREPLY=()
        case ${option,,} in
)" + cases +
           R"(        esac
        return 0
    fi
    if [[ $cur == -* ]]; then
        local name
        COMPREPLY=()
        for name in )" +
           names.substr(1) + R"(; do
            [[ ${name,,} == "${cur,,}"* ]] && COMPREPLY+=("$name")
        done
        # A name that takes a value goes on with it, not with a blank.
        [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]] && compopt -o nospace 2>/dev/null
        return 0
    fi
    # Plain parameters are files and folders for the window to open.
    _dravik_offer files
}
complete -F _dravik dravik
)";
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file.flush());
}

} // namespace
} // namespace dravik

int main(int argc, char** argv) {
    using namespace dravik;
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "man" && argc == 4) {
        std::ifstream in(argv[2], std::ios::binary);
        std::stringstream page;
        page << in.rdbuf();
        if (!in || !WriteFile(argv[3], ManPage(page.str()))) {
            std::fprintf(stderr, "dravik-make-docs: cannot make %s from %s\n", argv[3], argv[2]);
            return 1;
        }
        return 0;
    }
    if (what == "bash" && argc == 3) {
        if (!WriteFile(argv[2], BashCompletion())) {
            std::fprintf(stderr, "dravik-make-docs: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "usage: dravik-make-docs man TEMPLATE OUTPUT | bash OUTPUT\n");
    return 2;
}
