#include "platform/font_family.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <vector>

namespace dravik {
namespace {

bool SameFamily(const FcChar8* a, const std::string& b) {
    return FcStrCmpIgnoreCase(a, reinterpret_cast<const FcChar8*>(b.c_str())) == 0;
}

} // namespace

namespace {

using FamilyList = std::vector<std::string>;

FcPattern* FamilyPattern(const std::string& family, bool bold, bool italic) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    return pattern;
}

// The families of a pattern after fontconfig's configuration has worked on
// it; with `strongOnly`, only those bound strongly (same-metric aliases).
FamilyList Families(FcPattern* pattern, bool strongOnly) {
    FamilyList families;
    FcValue value;
    FcValueBinding binding;
    for (int i = 0;
         FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i) {
        if (value.type == FcTypeString && (!strongOnly || binding == FcValueBindingStrong))
            families.emplace_back(reinterpret_cast<const char*>(value.u.s));
    }
    return families;
}

// What the configuration appends after `family` when a generic family is
// already there. The generic "monospace" keeps out the catch-all that gives
// any name without a generic family the default sans-serif, so only a
// classification of the name itself (Tahoma as sans-serif, say) adds
// families.
FamilyList ClassifiedFamilies(const std::string& family) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr)
        return {};
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FamilyList families;
    if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern))
        families = Families(pattern, false);
    FcPatternDestroy(pattern);
    if (!families.empty())
        families.erase(families.begin());
    return families;
}

bool Contains(const FamilyList& list, const FcChar8* name) {
    return std::any_of(list.begin(), list.end(),
                       [name](const std::string& a) { return SameFamily(name, a); });
}

// The stand-ins fontconfig's own configuration names for `family`: what its
// classification brings in beyond what a name it knows nothing about gets.
FamilyList ConfiguredStandIns(const std::string& family) {
    // A generic alias names no font of its own: what it expands to is the
    // fallback, not a stand-in.
    static const FamilyList kGeneric = {"sans-serif", "serif", "monospace", "cursive", "fantasy",
                                        "system-ui",  "emoji", "math",      "sans",    "mono"};
    if (Contains(kGeneric, reinterpret_cast<const FcChar8*>(family.c_str())))
        return {};
    static const std::string kUnknown = "Dravik Unknown Family 7f3e";
    const FamilyList known = ClassifiedFamilies(family);
    const FamilyList unknown = ClassifiedFamilies(kUnknown);
    FamilyList standIns;
    for (const std::string& name : known) {
        if (!Contains(unknown, reinterpret_cast<const FcChar8*>(name.c_str())))
            standIns.push_back(name);
    }
    return standIns;
}

} // namespace

std::optional<std::string> ResolveFontFamily(const std::string& requested, bool bold, bool italic) {
    if (requested.empty() || requested.find('\0') != std::string::npos)
        return std::nullopt;
    FcPattern* pattern = FamilyPattern(requested, bold, italic);
    if (pattern == nullptr)
        return std::nullopt;
    if (!FcConfigSubstitute(nullptr, pattern, FcMatchPattern)) {
        FcPatternDestroy(pattern);
        return std::nullopt;
    }
    FcDefaultSubstitute(pattern);

    // The family itself, its same-metric aliases (bound strongly to the name
    // asked for; the fallbacks appended for any name are bound weakly), and
    // the stand-ins the configuration names for it.
    FamilyList accepted = Families(pattern, true);
    accepted.push_back(requested);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr)
        return std::nullopt;
    std::optional<std::string> family;
    FamilyList standIns;
    bool standInsKnown = false;
    FcChar8* name = nullptr;
    for (int i = 0; !family && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
        if (Contains(accepted, name)) {
            family = reinterpret_cast<const char*>(name);
            continue;
        }
        if (!standInsKnown) {
            standIns = ConfiguredStandIns(requested);
            standInsKnown = true;
        }
        if (Contains(standIns, name))
            family = reinterpret_cast<const char*>(name);
    }
    FcPatternDestroy(match);
    return family;
}

} // namespace dravik
