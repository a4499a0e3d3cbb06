// Which installed font family stands in for a family name, through
// fontconfig: shared by everything that draws text.
#pragma once

#include <optional>
#include <string>

namespace dravik {

// The family fontconfig would draw `requested` with, in the given style,
// when that family is the one asked for (compared without case), one
// fontconfig is configured to put in its place as a same-metric stand-in
// (Arial drawn with Liberation Sans), or a stand-in its configuration names
// for a family it classifies (Tahoma and Verdana, classified sans-serif,
// drawn with DejaVu Sans). Empty when fontconfig knows nothing about the
// name and would only fall back to its default family.
std::optional<std::string> ResolveFontFamily(const std::string& requested, bool bold, bool italic);

} // namespace dravik
