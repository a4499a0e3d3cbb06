// The colour lists and font list of the watermark settings, free of Qt: which colours a
// comma-separated list setting offers, how each is named, and how a chosen colour or font joins
// its list. Settings come from a hand-edited config.ini, so every function accepts any text.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

struct NamedColour {
    const char* nameKey; // "Preferences" text of the name
    const char* colour;  // six upper-case hexadecimal digits
};

std::span<const NamedColour> NamedColours();

// Six upper-case hexadecimal digits for a text of exactly six hexadecimal digits in any case,
// blanks around it ignored; "000000" (black) for anything else.
std::string NormaliseColour(std::string_view text);
bool IsColourText(std::string_view text);

// The name a colour is shown with: the named colour's text, else "Color #RRGGBB".
std::string ColourDisplayText(std::string_view colour);

// The colours of a list setting, normalised, in order, each once; entries that are not
// colours are skipped rather than shown as black, since they cannot be chosen on purpose.
std::vector<std::string> ParseColourList(std::string_view list);

// The items a colour list shows for its setting and the current colour: the list's colours,
// plus the current colour (black when it is not a colour) at the end when the list lacks it,
// so the current choice is shown and stored unchanged. selected is its index.
struct ColourListItems {
    std::vector<std::string> colours;
    size_t selected = 0;
};
ColourListItems MakeColourListItems(std::string_view list, std::string_view current);

// Adds colour to a list setting unless the list already holds it. Returns true when added.
bool AppendColour(std::string& list, std::string_view colour);

// The names of a font list setting, each trimmed, empty entries dropped, each once.
std::vector<std::string> ParseFontList(std::string_view list);

// Adds font to a font list setting unless a trimmed entry equals it. Returns true when added.
bool AppendFont(std::string& list, std::string_view font);

} // namespace dravik
