// dravik_platform: the Linux layer under everything else (paths, console, lock, processes,
// file times, sockets, stop signals). Depends on nothing else of ours, and never on Qt.
//
// Folders the program needs from the system.
#pragma once

#include <string>

namespace dravik {

// Folder of the running executable, ending in "/".
std::string ProgramFolder();

// File name of the running executable without folder and extension.
std::string ProgramFileStem();

// Value of an environment variable naming a folder, with "/" appended; empty
// when unset or empty.
std::string EnvironmentFolder(const char* variable);

// The process's current folder, without a trailing "/" (but "/" itself);
// empty when it cannot be told (removed meanwhile).
std::string CurrentFolder();

// $TMPDIR, else /tmp, ending in "/".
std::string TempFolder();

// Appends "/" unless the text already ends in one (or is empty).
std::string WithTrailingSlash(std::string path);

// The part after the last "/".
std::string FileNamePart(const std::string& path);

// File name without its last extension ("a.b.pic" gives "a.b").
std::string StemOf(const std::string& fileName);

} // namespace dravik
