#include "pict/text_fonts.h"

#include "platform/font_family.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace dravik::pict {
namespace {

enum class Kind { Sans, Serif, Mono, Symbol, Dingbats };

// The fonts the System numbered itself, and the LaserWriter's.
struct NumberedFont {
    int number;
    const char* name;
};
constexpr NumberedFont kNumbered[] = {
    {0, "Chicago"},        {1, "Geneva"},         {2, "New York"},
    {3, "Geneva"},         {4, "Monaco"},         {5, "Venice"},
    {6, "London"},         {7, "Athens"},         {8, "San Francisco"},
    {9, "Toronto"},        {11, "Cairo"},         {12, "Los Angeles"},
    {13, "Zapf Dingbats"}, {14, "Bookman"},       {15, "Helvetica Narrow"},
    {16, "Palatino"},      {18, "Zapf Chancery"}, {20, "Times"},
    {21, "Helvetica"},     {22, "Courier"},       {23, "Symbol"},
    {24, "Mobile"},        {33, "Avant Garde"},   {34, "New Century Schoolbook"},
};

// What each Macintosh family is drawn with, best first. A family that is
// itself installed wins over all of them.
struct StandIn {
    const char* name;
    Kind kind;
    std::vector<const char*> families;
};
const std::vector<StandIn>& StandIns() {
    static const std::vector<StandIn> table = {
        {"Chicago", Kind::Sans, {"Liberation Sans", "DejaVu Sans"}},
        {"Geneva", Kind::Sans, {"Liberation Sans", "DejaVu Sans"}},
        {"Helvetica", Kind::Sans, {"Liberation Sans", "DejaVu Sans"}},
        {"Helvetica Narrow", Kind::Sans, {"Liberation Sans Narrow", "Liberation Sans"}},
        {"Arial", Kind::Sans, {"Liberation Sans", "DejaVu Sans"}},
        {"Avant Garde", Kind::Sans, {"DejaVu Sans", "Liberation Sans"}},
        {"Charcoal", Kind::Sans, {"DejaVu Sans", "Liberation Sans"}},
        {"San Francisco", Kind::Sans, {"DejaVu Sans", "Liberation Sans"}},
        {"Mobile", Kind::Sans, {"DejaVu Sans", "Liberation Sans"}},
        {"Times", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"New York", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"Palatino", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"Bookman", Kind::Serif, {"DejaVu Serif", "Liberation Serif"}},
        {"New Century Schoolbook", Kind::Serif, {"DejaVu Serif", "Liberation Serif"}},
        {"Zapf Chancery", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"London", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"Athens", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"Venice", Kind::Serif, {"Liberation Serif", "DejaVu Serif"}},
        {"Courier", Kind::Mono, {"Liberation Mono", "DejaVu Sans Mono"}},
        {"Monaco", Kind::Mono, {"Liberation Mono", "DejaVu Sans Mono"}},
        {"Symbol", Kind::Symbol, {"Standard Symbols PS", "OpenSymbol", "DejaVu Sans"}},
        {"Zapf Dingbats", Kind::Dingbats, {"D050000L", "DejaVu Sans"}},
    };
    return table;
}

// Families without an entry: guessed from the words of the name.
Kind Classify(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    auto has = [&](const char* word) { return lower.find(word) != std::string::npos; };
    if (has("symbol"))
        return Kind::Symbol;
    if (has("dingbat"))
        return Kind::Dingbats;
    if (has("mono") || has("courier") || has("typewriter") || has("code"))
        return Kind::Mono;
    if (has("sans") || has("gothic") || has("grotesk"))
        return Kind::Sans;
    if (has("times") || has("serif") || has("roman") || has("book") || has("garamond") ||
        has("schoolbook") || has("palatino") || has("century"))
        return Kind::Serif;
    return Kind::Sans;
}

std::vector<const char*> GenericFamilies(Kind kind) {
    switch (kind) {
    case Kind::Serif:
        return {"Liberation Serif", "DejaVu Serif", "serif"};
    case Kind::Mono:
        return {"Liberation Mono", "DejaVu Sans Mono", "monospace"};
    case Kind::Symbol:
        return {"Standard Symbols PS", "OpenSymbol", "DejaVu Sans", "sans-serif"};
    case Kind::Dingbats:
        return {"D050000L", "DejaVu Sans", "sans-serif"};
    case Kind::Sans:
        break;
    }
    return {"Liberation Sans", "DejaVu Sans", "sans-serif"};
}

bool SameName(const std::string& a, const char* b) {
    return std::equal(a.begin(), a.end(), b, b + std::char_traits<char>::length(b),
                      [](char x, char y) {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

// Fonts are asked for once per family and style: fontconfig's matching
// costs far more than drawing a label.
std::optional<std::string> Resolve(const std::string& family, bool bold, bool italic) {
    static std::mutex mutex;
    static std::map<std::tuple<std::string, bool, bool>, std::optional<std::string>> cache;
    const auto key = std::make_tuple(family, bold, italic);
    std::lock_guard lock(mutex);
    if (auto it = cache.find(key); it != cache.end())
        return it->second;
    if (cache.size() > 1000) // names come from the pictures: keep the cache small
        cache.clear();
    std::optional<std::string> found = ResolveFontFamily(family, bold, italic);
    cache.emplace(key, found);
    return found;
}

} // namespace

std::optional<std::string> MacFontName(int number) {
    for (const NumberedFont& f : kNumbered)
        if (f.number == number)
            return std::string(f.name);
    return std::nullopt;
}

MacFont ChooseMacFont(int number, const std::string& name, bool bold, bool italic) {
    MacFont font;
    // Numbers from 16384 on belong to the other script systems, 512 each.
    if (number >= 16384)
        font.script = 1 + (number - 16384) / 512;
    font.name = !name.empty() ? name : MacFontName(number).value_or(std::to_string(number));
    // A number nobody named is drawn as the application font was: Geneva.
    const bool named = !name.empty() || MacFontName(number).has_value();
    const std::string lookup = named ? font.name : "Geneva";

    Kind kind = Classify(lookup);
    std::vector<const char*> candidates;
    const StandIn* entry = nullptr;
    for (const StandIn& s : StandIns())
        if (SameName(lookup, s.name))
            entry = &s;
    if (entry != nullptr) {
        kind = entry->kind;
        candidates = entry->families;
    }
    font.encoding = kind == Kind::Symbol     ? MacEncoding::Symbol
                    : kind == Kind::Dingbats ? MacEncoding::Dingbats
                                             : MacEncoding::Roman;
    if (auto own = Resolve(lookup, bold, italic)) {
        font.family = *own;
        return font;
    }
    for (const char* generic : GenericFamilies(kind))
        candidates.push_back(generic);
    for (const char* candidate : candidates) {
        if (auto found = Resolve(candidate, bold, italic)) {
            font.family = *found;
            return font;
        }
    }
    return font;
}

} // namespace dravik::pict
