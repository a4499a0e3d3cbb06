// The program's name, version and the maker's addresses.
#pragma once

#include <string>

namespace dravik {

inline constexpr const char* kProgramTitle = "Tolvenor Dravik";
inline constexpr int kProgramVersion = 310;
inline constexpr const char* kNoticeText = "Copyright \xC2\xA9 2026 Tolvenor";
inline constexpr const char* kHomePageUrl = "http://www.tolvenor.example/";
inline constexpr const char* kUninstallUrl = "http://www.tolvenor.example/uninstall.html";
// The file whose first characters name the newest released version.
inline constexpr const char* kUpdateFileUrl = "http://www.tolvenor.example/files/dravik.dat";
inline constexpr const char* kSupportAddress = "support@tolvenor.example";
// The converter search appends "<from>-<to>/".
inline constexpr const char* kConverterSearchUrl = "http://www.tolvenor.example/find/";
// The user manual's file name, beside the program or in the installed documentation.
inline constexpr const char* kManualFile = "manual.html";
// Short name of the program's settings folder and executable.
inline constexpr const char* kMakerFolder = "Tolvenor";
inline constexpr const char* kProgramFolder = "dravik";

// Digits with a "." after the first and the second; a trailing "0" is cut
// to the first three characters: 310 gives 3.1, 312 gives 3.1.2.
std::string FormatVersion(int number);

// "Tolvenor Dravik 3.1".
std::string MakeTitleText(const std::string& title, int number);

// The notice with "©" written as "(c)", for consoles.
std::string ConsoleNoticeText();

} // namespace dravik
