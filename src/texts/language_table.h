// dravik_texts: every user-visible text, looked up with GetText, and the message-box interface
// the window implements. Depends on nothing else of ours and never on Qt: the command-line run
// uses it too.
//
// The table of UI texts: every caption, label and message is looked up by (group, key).
#pragma once

#include "texts/builtin_texts.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

// What a lookup yields for a group or key the table does not hold; callers show it as it is,
// so a missing text is visible on screen instead of leaving a blank caption.
inline constexpr std::string_view kNoStringError = "%NO_STRING_ERROR%";

// Groups and keys compare without ASCII case. Once loaded the table is read-only; lookups may
// run from any thread, but loading must not overlap them.
class LanguageTable {
  public:
    LanguageTable();
    LanguageTable(const LanguageTable&) = delete;
    LanguageTable& operator=(const LanguageTable&) = delete;

    // Builds the table from the built-in English texts, then, when languageFile names a readable
    // ini file, replaces each text by the file's value for the same group and key (a key the
    // file lacks keeps its built-in text). Always succeeds.
    bool load(const std::string& languageFile = {});
    // The same from any text block laid out like BuiltinTexts(); the block ends at its "_END_"
    // pair or at the end of the span.
    bool load(std::span<const TextPair> block, const std::string& languageFile = {});

    // The text of (group, key), or kNoStringError when either is missing. Keys whose first byte
    // is not ASCII are never found.
    std::string getText(std::string_view group, std::string_view key) const;

    int groupCount() const { return groupCount_; }
    int entryCount() const { return entryCount_; }
    // Entries of one group, 0 for a group the table does not hold.
    int entryCount(std::string_view group) const;

  private:
    struct Group {
        std::string name; // upper-cased
        uint32_t first = 0;
        uint32_t last = 0; // below first when the group is empty
        // Per first byte of a key, the first entry of the group starting with it (0: none).
        std::array<uint32_t, 256> firstLetter{};
    };

    int findGroup(const std::string& upperName) const;
    void overlay(const std::string& languageFile);

    // Slot 0 of groups and entries stays unused so that 0 can mean "none".
    std::vector<Group> groups_;
    std::vector<std::string> keys_; // upper-cased, sorted within each group
    std::vector<std::string> texts_;
    int groupCount_ = 0;
    int entryCount_ = 0;
    // Consecutive lookups mostly ask the same group; remembering it spares the scan of names.
    // Atomic because worker threads may look texts up too.
    mutable std::atomic<int> lastGroup_{0};
};

// The process-wide table used by the functions below.
bool LoadLanguageTable(const std::string& languageFile = "");
std::string GetText(std::string_view group, std::string_view key);

// Fills the placeholders "%s1%" to "%s4%" (any case) of a text, one value after the other, so a
// value may itself bring in a later placeholder. An empty value leaves its placeholder standing.
std::string SubstituteArgs(std::string_view text, std::string_view s1 = {},
                           std::string_view s2 = {}, std::string_view s3 = {},
                           std::string_view s4 = {});

// Fills "%s1%" to "%s4%" in one pass: an inserted value is never searched
// again, so a path that happens to hold "%s2%" comes out as it went in.
// An empty value leaves nothing. For lines that carry file names.
std::string FillArgs(std::string_view text, std::string_view s1 = {}, std::string_view s2 = {},
                     std::string_view s3 = {}, std::string_view s4 = {});

} // namespace dravik
