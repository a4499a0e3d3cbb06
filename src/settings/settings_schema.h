// The settings schema: one row per persisted field, in record order.
// ApplyDefaults, the config file reader and writer, the profile reader, the
// option table and the debug echo all walk these rows instead of keeping
// their own copies of the field list.
#pragma once

#include "settings/settings.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

namespace dravik {

enum class FieldKind {
    Int32,     // signed 32-bit number
    Flag,      // 8-bit, 0 off, 1 on
    Byte,      // 8-bit count
    ByteEnum,  // 8-bit index into an enumeration
    Int32Enum, // 32-bit index into an enumeration
    String,
    Color,     // six hexadecimal digits RRGGBB
    Float,
    Timestamp, // local wall-clock seconds since 1970
};

// How a row's default is found when it is not a fixed text.
enum class DefaultRule {
    Fixed,
    CentredX,        // (desktop width - 510) / 2, else 100
    CentredY,        // (desktop height - 330) / 2, else 100
    Now,             // the current time
    AspectByMode,    // 0 on the command line, 1 in the window
};

using FieldRef = std::variant<int32_t*, uint8_t*, float*, std::string*>;

struct SettingField {
    const char* group;
    const char* key;
    FieldKind kind;
    FieldRef (*ref)(Settings&);
    const char* defaultText;
    // Per-format keys name their format ("jpg", "dds"...); the file writer
    // writes them only for the primary formats.
    const char* format = nullptr;
    int tokenSet = -1;        // option token set of an enumeration, -1 none
    bool trimOnLoad = false;  // trimmed of blanks at both ends when read
    DefaultRule rule = DefaultRule::Fixed;
    const char* loadDefault = nullptr; // default of a missing key on load, when it differs
};

std::span<const SettingField> SettingsSchema();

// Row of group/key (compared without ASCII case), or nullptr.
const SettingField* FindSetting(std::string_view group, std::string_view key);

// Stores a text as the field's type reads it: integers by ReadInteger,
// the gamma by ReadFloat, strings as they stand.
void AssignFieldText(const SettingField& field, Settings& settings, std::string_view text);

// Stores a number into an integer field (an 8-bit field keeps the low byte).
// Returns false when the field is not an integer.
bool AssignFieldInt(const SettingField& field, Settings& settings, int64_t value);

// The field's value as the file writer writes it (gamma with six decimals).
std::string FieldText(const SettingField& field, const Settings& settings);

// The field's value as a number (0 for strings).
int64_t FieldInt(const SettingField& field, const Settings& settings);

} // namespace dravik
