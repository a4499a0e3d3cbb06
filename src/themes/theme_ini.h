// Reading values out of a theme's theme.cfg. Existing theme files were written by hand and
// depend on these loose matching rules, so the reader keeps them instead of parsing the file as
// a proper ini file.
#pragma once

#include <string>
#include <string_view>

namespace dravik {

// The value of key in [group], ASCII case ignored throughout, or "" when not found.
// - The group is the first "[group]" in the text; it ends at the next "[".
// - The key is the first CRLF followed by key after the group header, and must start before the
//   group's end. The key matches as a prefix ("NameX=1" answers "Name"), and a key on the first
//   line of the text is never found, because nothing precedes it.
// - The line ends at the next CRLF, or at the end of the text.
// - The value is what lies between the line's first and second "=" (to the line end when there
//   is no second one), with tabs, CR and LF removed and spaces trimmed. A line without "=" has
//   no value.
std::string IniValue(std::string_view text, std::string_view group, std::string_view key);

// The bytes as UTF-8 text, every broken sequence (such as one cut off by a length limit)
// replaced by U+FFFD, so the window never meets invalid text from a theme.
std::string Utf8Text(std::string_view bytes);

} // namespace dravik
