// The file formats the program knows: the extensions it reads and the formats
// it can write, with their FreeImage identifiers and permitted bit depths.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dravik {

struct OutputFormat {
    int32_t fif;             // FreeImage format identifier handed to the saver
    std::string extension;   // lower case, without the dot
    std::string description; // shown next to the upper-case extension
    std::string depths;      // allowed bits per pixel, comma-separated, increasing
};

struct InputFormat {
    std::string extension;   // lower case, without the dot
    std::string group;       // main extension of the family this one belongs to
    std::string description; // shown in the input dialog's file-type filter
};

// Both tables are built once per process and never change afterwards. Calling
// these is optional (every lookup builds on demand) and safe from any thread.
void BuildInputFormats();
void BuildOutputFormats();

// Each family's main extension comes first, followed by its aliases; families
// keep their fixed order.
const std::vector<InputFormat>& InputFormats();
const std::vector<OutputFormat>& OutputFormats();

// The row for an extension, matched exactly (callers pass it lower-cased), or
// nullptr when the extension is unknown.
const InputFormat* FindInputFormat(std::string_view extension);
const OutputFormat* FindOutputFormat(std::string_view extension);

// The format's depths as numbers, e.g. "8,24" gives {8, 24}.
std::vector<int> AllowedDepths(const OutputFormat& format);

// Every extension of the family in table order, e.g. "pic" gives pic, pict,
// pct; empty for an unknown family.
std::vector<std::string> ExtensionsOfGroup(std::string_view group);

} // namespace dravik
