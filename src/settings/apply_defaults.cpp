#include "settings/settings.h"
#include "settings/settings_schema.h"

namespace dravik {

const std::vector<std::string>& PrimaryInputFormats() {
    static const std::vector<std::string> formats{"pic"};
    return formats;
}

const std::vector<std::string>& PrimaryOutputFormats() {
    static const std::vector<std::string> formats{"jpg"};
    return formats;
}

void ApplyDefaults(Settings& settings, bool commandLineMode, const DefaultsContext& context) {
    for (const SettingField& field : SettingsSchema()) {
        switch (field.rule) {
        case DefaultRule::Fixed:
            AssignFieldText(field, settings, field.defaultText);
            break;
        case DefaultRule::CentredX:
            AssignFieldInt(field, settings,
                           context.desktopWidth > 510 ? (context.desktopWidth - 510) / 2 : 100);
            break;
        case DefaultRule::CentredY:
            AssignFieldInt(field, settings,
                           context.desktopHeight > 330 ? (context.desktopHeight - 330) / 2 : 100);
            break;
        case DefaultRule::Now:
            AssignFieldInt(field, settings, context.now);
            break;
        case DefaultRule::AspectByMode:
            AssignFieldInt(field, settings, commandLineMode ? 0 : 1);
            break;
        }
    }
}

} // namespace dravik
