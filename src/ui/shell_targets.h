// What the window hands to the desktop to open: the manual, the mail links, the maker's
// pages. Plain strings, so they are built and tested without a window.
#pragma once

#include <string>
#include <string_view>

namespace dravik {

// "mailto:" and the support address.
std::string SupportMailLink();
// The support mail link with the subject "<title> <version> Feedback", percent-encoded so
// that mail programs read the blanks as part of the subject.
std::string FeedbackMailLink();

// One field of the converter search: the first 12 characters (not bytes) lower-cased, then
// only 0-9, a-z kept. Anything else, dots and blanks included, is dropped.
std::string CleanSearchExtension(std::string_view field);
// The search page for a pair of cleaned extensions: ".../find/<from>-<to>/".
std::string ConverterSearchUrl(std::string_view from, std::string_view to);

// The manual beside the program (a build tree, or a copy next to the executable), else the
// installed one in <prefix>/share/doc/dravik/ when the program sits in <prefix>/bin/. When
// neither exists, the path beside the program: opening it then fails quietly.
std::string ManualPath(const std::string& programFolder);

// Bytes other than unreserved URL characters as %XX.
std::string PercentEncode(std::string_view text);

} // namespace dravik
