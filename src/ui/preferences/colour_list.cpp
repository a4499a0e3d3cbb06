#include "ui/preferences/colour_list.h"

#include "engine/colour_text.h"
#include "texts/language_table.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <unordered_set>

namespace dravik {
namespace {

constexpr std::array<NamedColour, 19> kNamedColours{{
    {"Black", "000000"},  {"Silver", "C0C0C0"}, {"Gray", "808080"},    {"White", "FFFFFF"},
    {"Maroon", "800000"}, {"Red", "FF0000"},    {"Purple", "800080"},  {"Fuchsia", "FF00FF"},
    {"Green", "008000"},  {"Lime", "00FF00"},   {"Olive", "808000"},   {"Yellow", "FFFF00"},
    {"Navy", "000080"},   {"Blue", "0000FF"},   {"Teal", "008080"},    {"Aqua", "00FFFF"},
    {"Orange", "FF8000"}, {"Brown", "804000"},  {"Violet", "8000FF"},
}};

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Calls f for every comma-separated entry, trimmed.
template <typename F>
void ForEachEntry(std::string_view list, F f) {
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        if (comma == std::string_view::npos)
            comma = list.size();
        f(Trim(list.substr(start, comma - start)));
        start = comma + 1;
    }
}

void AppendEntry(std::string& list, std::string_view entry) {
    if (!Trim(list).empty())
        list += ',';
    list += entry;
}

} // namespace

std::span<const NamedColour> NamedColours() { return kNamedColours; }

bool IsColourText(std::string_view text) {
    text = Trim(text);
    if (text.size() != 6)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

std::string NormaliseColour(std::string_view text) {
    const Rgba c = IsColourText(text) ? ParseColorText(std::string(Trim(text)), 255) : Rgba{};
    char out[8];
    std::snprintf(out, sizeof out, "%02X%02X%02X", c.r, c.g, c.b);
    return out;
}

std::string ColourDisplayText(std::string_view colour) {
    const std::string hex = NormaliseColour(colour);
    for (const NamedColour& named : kNamedColours)
        if (hex == named.colour)
            return GetText("Preferences", named.nameKey);
    return GetText("Preferences", "Color") + " #" + hex;
}

std::vector<std::string> ParseColourList(std::string_view list) {
    std::vector<std::string> colours;
    std::unordered_set<std::string> seen;
    ForEachEntry(list, [&](std::string_view entry) {
        if (!IsColourText(entry))
            return;
        std::string colour = NormaliseColour(entry);
        if (seen.insert(colour).second)
            colours.push_back(std::move(colour));
    });
    return colours;
}

ColourListItems MakeColourListItems(std::string_view list, std::string_view current) {
    ColourListItems items{ParseColourList(list), 0};
    const std::string wanted = NormaliseColour(current);
    for (size_t i = 0; i < items.colours.size(); ++i)
        if (items.colours[i] == wanted) {
            items.selected = i;
            return items;
        }
    items.selected = items.colours.size();
    items.colours.push_back(wanted);
    return items;
}

bool AppendColour(std::string& list, std::string_view colour) {
    const std::string hex = NormaliseColour(colour);
    for (const std::string& present : ParseColourList(list))
        if (present == hex)
            return false;
    AppendEntry(list, hex);
    return true;
}

std::vector<std::string> ParseFontList(std::string_view list) {
    std::vector<std::string> fonts;
    std::unordered_set<std::string_view> seen;
    ForEachEntry(list, [&](std::string_view entry) {
        if (!entry.empty() && seen.insert(entry).second)
            fonts.emplace_back(entry);
    });
    return fonts;
}

bool AppendFont(std::string& list, std::string_view font) {
    font = Trim(font);
    if (font.empty())
        return false;
    bool present = false;
    ForEachEntry(list, [&](std::string_view entry) { present = present || entry == font; });
    if (present)
        return false;
    AppendEntry(list, font);
    return true;
}

} // namespace dravik
