// Opening files and links with the desktop's default programs.
#pragma once

#include <functional>
#include <string>

namespace dravik {

// A link ("scheme:...") is opened as it stands, anything else as a local file. Whether the
// desktop managed to open it is not reported: there is nothing the user could do about it.
void OpenWithShell(const std::string& target);

// Replaces what OpenWithShell does (tests record the targets instead of starting a
// browser); an empty opener restores the desktop's.
using ShellOpener = std::function<void(const std::string& target)>;
void SetShellOpener(ShellOpener opener);

} // namespace dravik
