// The commands that menus, toolbar buttons and keys send to the main window.
// The numbers are stable: the theme names its icons after the commands and
// the dispatch table is keyed by them.
#pragma once

namespace dravik {

enum class Command {
    New = 0,
    Exit = 3,
    Add = 4,
    OutFolder = 7,
    OutFormat = 8,
    ImportFiles = 9,
    ExportFiles = 10,
    Copy = 11,
    Delete = 12,
    SelectAll = 13,
    Convert = 14,
    CustomConverter = 16,
    Preferences = 17,
    Help = 18,
    Email = 21,
    Web = 22,
    Updates = 23,
    About = 24,
};

} // namespace dravik
