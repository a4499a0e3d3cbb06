#include "batch/option_scan.h"

#include "batch/option_table.h"
#include "settings/ini_file.h"
#include "settings/number_text.h"
#include "settings/settings_schema.h"
#include "settings/tokens.h"
#include "texts/language_table.h"

#include <cstdio>

namespace dravik {
namespace {

constexpr const char* kIncorrectParameters = "Incorrect number of parameters";
constexpr const char* kInvalidProfile = "Invalid profile file";

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::string StripQuotes(std::string value) {
    size_t begin = value.find_first_not_of('"');
    if (begin == std::string::npos)
        return {};
    size_t end = value.find_last_not_of('"');
    return value.substr(begin, end - begin + 1);
}

// The token an unknown value falls back to, for the warning. The compression
// set is shared by several formats; the option's name says which.
std::string FirstToken(const OptionSpec& option) {
    std::string name = option.name;
    size_t end = name.find('-', 2);
    std::string format = name.substr(2, end == std::string::npos ? end : end - 2);
    std::string token = IndexToToken(option.tokenSet, 0, format);
    return token.empty() && !TokenSet(option.tokenSet).empty() ? TokenSet(option.tokenSet)[0].token
                                                               : token;
}

std::string ValueWarning(const std::string& shownName, const std::string& text) {
    return FillArgs(GetText("Console", "Notice"), shownName, text);
}

// What a value read leniently turned into, when that is not what was
// written: an unknown token, or a number with something after its digits.
std::string LenientValueWarning(const OptionSpec& option, const std::string& value,
                                const std::string& shownName) {
    std::string trimmed = TrimBlanks(value);
    if (trimmed.empty())
        return {};
    switch (option.kind) {
    case OptionKind::Integer:
        if (!IsWholeInteger(trimmed))
            return ValueWarning(shownName, FillArgs(GetText("Console", "Not a number"), trimmed,
                                                    std::to_string(ReadInteger(trimmed))));
        break;
    case OptionKind::Float:
        if (!IsWholeFloat(trimmed)) {
            char taken[32];
            std::snprintf(taken, sizeof taken, "%g", ReadFloat(trimmed));
            return ValueWarning(shownName,
                                FillArgs(GetText("Console", "Not a number"), trimmed, taken));
        }
        break;
    case OptionKind::Token:
        if (!IsToken(trimmed, option.tokenSet))
            return ValueWarning(shownName, FillArgs(GetText("Console", "Unknown value"), trimmed,
                                                    FirstToken(option)));
        break;
    default:
        break;
    }
    return {};
}

// Stores an option's value into its setting and switches on what it
// switches on. The value is already through the quote handling. Returns a
// warning when the value was not taken as written.
std::string ApplyToSettings(const OptionSpec& option, const std::string& value, Settings& settings,
                            const std::string& shownName) {
    if (option.group != nullptr) {
        const SettingField* field = FindSetting(option.group, option.key);
        if (field != nullptr) {
            switch (option.kind) {
            case OptionKind::Switch:
                AssignFieldInt(*field, settings, option.switchValue);
                break;
            case OptionKind::Integer:
                AssignFieldInt(*field, settings, ReadInteger(value));
                break;
            case OptionKind::Float: {
                FieldRef ref = field->ref(settings);
                if (auto* f = std::get_if<float*>(&ref))
                    **f = static_cast<float>(ReadFloat(value));
                break;
            }
            case OptionKind::Token:
                AssignFieldInt(*field, settings, TokenToIndex(TrimBlanks(value), option.tokenSet));
                break;
            case OptionKind::StringJoined:
            case OptionKind::Unquoted:
                AssignFieldText(*field, settings, value);
                break;
            }
        }
    }
    if (option.onGroup != nullptr) {
        if (const SettingField* on = FindSetting(option.onGroup, option.onKey))
            AssignFieldInt(*on, settings, option.onValue);
    }
    return LenientValueWarning(option, value, shownName);
}

} // namespace

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    }
    return text;
}

std::string TrimBlanks(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return {};
    size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::string OptionName(const std::vector<std::string>& params, size_t i) {
    if (i >= params.size())
        return {};
    std::string p = TrimBlanks(params[i]);
    if (StartsWith(p, "--"))
        return AsciiUpper(p.substr(0, p.find('=')));
    if (StartsWith(p, "-"))
        return AsciiUpper(p);
    return {};
}

std::string OptionValue(const std::vector<std::string>& params, size_t i) {
    if (i >= params.size())
        return {};
    std::string p = TrimBlanks(params[i]);
    if (StartsWith(p, "--")) {
        size_t eq = p.find('=', 2);
        if (eq != std::string::npos)
            return p.substr(eq + 1);
    }
    return p;
}

ScanResult ScanOptions(const std::vector<std::string>& params, Settings& settings,
                       AppState& state) {
    ScanResult result;
    // A bare word right after an unknown option is most likely its value:
    // one warning is enough for one slip.
    bool afterUnknown = false;
    for (size_t i = 0; i < params.size(); ++i) {
        std::string name = OptionName(params, i);
        const std::string written = TrimBlanks(params[i]);
        if (name.empty()) {
            if (!afterUnknown && !written.empty())
                result.warnings.push_back(
                    FillArgs(GetText("Console", "Unknown parameter"), written));
            afterUnknown = false;
            continue;
        }
        const OptionSpec* option = FindOption(name.c_str());
        afterUnknown = option == nullptr;
        if (option == nullptr) {
            result.warnings.push_back(FillArgs(GetText("Console", "Unknown option"), written));
            continue;
        }

        std::string value;
        if (option->kind != OptionKind::Switch) {
            bool shortOrLong = option->action == OptionAction::Input ||
                               option->action == OptionAction::Output ||
                               option->action == OptionAction::Conversion;
            if (shortOrLong) {
                if (!StartsWith(name, "--")) {
                    ++i;
                    value = OptionValue(params, i);
                } else {
                    value = OptionValue(params, i);
                }
                if (value.empty() || value[0] == '-') {
                    result.error = kIncorrectParameters;
                    return result;
                }
            } else {
                value = OptionValue(params, i);
                if (value.empty() || StartsWith(value, "--")) {
                    result.error = kIncorrectParameters;
                    return result;
                }
            }
            if (option->kind == OptionKind::StringJoined) {
                // The shell split a quoted value at its blanks: glue the
                // pieces back together up to the closing quote.
                if (value.front() == '"' && value.back() != '"') {
                    while (value.back() != '"' && i + 1 < params.size()) {
                        ++i;
                        value += ' ';
                        value += OptionValue(params, i);
                    }
                }
                value = StripQuotes(value);
            } else if (option->kind == OptionKind::Unquoted) {
                value = StripQuotes(value);
            }
        }

        switch (option->action) {
        case OptionAction::Setting: {
            std::string warning =
                ApplyToSettings(*option, value, settings, written.substr(0, written.find('=')));
            if (!warning.empty())
                result.warnings.push_back(warning);
            break;
        }
        case OptionAction::Input:
            state.inputPath = value;
            state.inputGiven = 1;
            break;
        case OptionAction::Output:
            state.cliOutputFolder = value;
            break;
        case OptionAction::Conversion:
            state.conversionExtension = value;
            break;
        case OptionAction::Profile:
            if (!LoadProfile(value, settings, &result.warnings)) {
                result.error = kInvalidProfile;
                return result;
            }
            break;
        case OptionAction::Debug:
            state.runModeTag = "DEBUG";
            break;
        case OptionAction::Quiet:
            result.quiet = true;
            break;
        case OptionAction::Pause:
            result.pause = true;
            break;
        }
    }
    return result;
}

bool LoadProfile(const std::string& path, Settings& settings, std::vector<std::string>* warnings) {
    std::optional<IniFile> file = IniFile::Open(path);
    if (!file)
        return false;
    if (!file->selectGroup("CLI"))
        return true;
    for (const IniFile::Entry& entry : file->entries()) {
        const OptionSpec* option = FindProfileOption(AsciiUpper(entry.first).c_str());
        if (option == nullptr)
            continue;
        std::string value = entry.second;
        if (option->kind == OptionKind::StringJoined || option->kind == OptionKind::Token) {
            // The mask may hold blanks at its ends on purpose; quotes are
            // how a profile protects them.
            bool isMask = option->group != nullptr && std::string(option->key) == "Filename Mask";
            value = isMask ? StripQuotes(value) : TrimBlanks(value);
        }
        std::string warning = ApplyToSettings(*option, value, settings, TrimBlanks(entry.first));
        if (warnings != nullptr && !warning.empty())
            warnings->push_back(warning);
    }
    return true;
}

} // namespace dravik
