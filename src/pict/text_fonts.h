// Macintosh fonts, by number or name, to the installed families that stand
// in for them.
#pragma once

#include "pict/text_encoding.h"

#include <optional>
#include <string>

namespace dravik::pict {

struct MacFont {
    std::string name;   // the Macintosh family ("Geneva"), or the number as text
    std::string family; // the installed family drawn with; empty when none is usable
    MacEncoding encoding = MacEncoding::Roman;
    int script = 0; // 0 for Roman; other script systems are drawn as MacRoman
};

// The Macintosh family a font number names in the System's own numbering
// (0 Chicago, 3 Geneva, 20 Times, ...); none for numbers it leaves free.
std::optional<std::string> MacFontName(int number);

// The stand-in for a font: by `name` when the picture named it (fontName),
// else by its number. Looks fontconfig up once per family and style.
MacFont ChooseMacFont(int number, const std::string& name, bool bold, bool italic);

} // namespace dravik::pict
