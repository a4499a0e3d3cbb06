// The command-line options as data: one row per option, walked by the scan
// and by the profile reader.
#pragma once

#include <span>

namespace dravik {

enum class OptionKind {
    Switch,       // presence alone acts; anything after "=" is ignored
    Integer,
    Float,
    Token,        // an option token of the row's token set
    StringJoined, // a string; a value opened by a double quote is joined up to its closing one
    Unquoted,     // a string with quotes removed at both ends, never joined
};

enum class OptionAction {
    Setting,    // stores into the row's setting
    Input,      // -i: the input path, and the input-given flag
    Output,     // -o: the output folder
    Conversion, // -c: the conversion extension
    Profile,    // --profile: loads a profile file
    Debug,
    Quiet,
    Pause,
};

struct OptionSpec {
    const char* name;       // long name, upper case, with "--"
    const char* shortName;  // "-I" style, or nullptr
    OptionKind kind;
    OptionAction action = OptionAction::Setting;
    const char* group = nullptr; // the setting the value goes to
    const char* key = nullptr;
    int tokenSet = -1;
    int switchValue = 1;          // what a switch stores into its setting
    const char* onGroup = nullptr; // a setting the option also switches on
    const char* onKey = nullptr;
    int onValue = 1;
    bool inProfile = true;           // profiles know the option as a key
    const char* profileKey = nullptr; // the profile's key when it differs from name
};

std::span<const OptionSpec> OptionTable();

// The row of an upper-cased option name as the command line gives it
// ("-I", "--INPUT"), or nullptr.
const OptionSpec* FindOption(const char* upperName);

// The row of a profile key (upper-cased), or nullptr.
const OptionSpec* FindProfileOption(const char* upperKey);

} // namespace dravik
