#include "settings/config_file.h"

#include "settings/ini_file.h"
#include "settings/number_text.h"
#include "settings/settings_schema.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {

namespace {

// The Window group is written in its own order, not the record order.
constexpr std::string_view kWindowKeys[] = {"IsMaximized", "Width", "Height", "X", "Y"};

// Groups written with every key, in record order.
constexpr std::string_view kFullGroups[] = {"Transform", "Adjustment", "Frame", "Watermark",
                                            "Advanced"};

std::string HomeConfigFolder() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/')
        return std::string(config) + "/";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.config/";
    return {};
}

void MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return;
}

void AssignLoaded(const SettingField& field, Settings& settings, std::string value) {
    if (field.trimOnLoad) {
        size_t begin = value.find_first_not_of(" \t");
        size_t end = value.find_last_not_of(" \t");
        value = begin == std::string::npos ? std::string() : value.substr(begin, end - begin + 1);
    }
    switch (field.kind) {
    case FieldKind::String:
    case FieldKind::Color:
    case FieldKind::Float:
        AssignFieldText(field, settings, value);
        break;
    default:
        AssignFieldInt(field, settings, ReadDecimalInteger(value));
        break;
    }
}

void ReadFile(IniFile& file, Settings& settings) {
    std::string_view selected;
    bool present = false;
    for (const SettingField& field : SettingsSchema()) {
        if (field.group != selected) {
            selected = field.group;
            present = file.selectGroup(selected);
        }
        if (!present)
            continue;
        if (std::optional<std::string> value = file.value(field.key))
            AssignLoaded(field, settings, *value);
    }
}

void Migrate(Settings& settings, const std::string& path) {
    const int32_t version = settings.general.cfg;
    if (version < 11 && settings.advanced.filenameMask.find("%ext%") == std::string::npos)
        settings.advanced.filenameMask += ".%ext%";
    if (version < 14 && settings.input.rawLoadAs != 0)
        settings.input.rawLoadAs += 2;
    if (version < 19) {
        // Two keys were renamed; an old file still holds the old names.
        std::optional<IniFile> file = IniFile::Open(path);
        if (!file)
            return;
        if (file->selectGroup("Input")) {
            int32_t mode = ReadDecimalInteger(file->readString("PSD Color Model", "0"));
            if (mode != 0)
                settings.input.psdColorMode = mode;
        }
        if (file->selectGroup("Output")) {
            int32_t mode = ReadDecimalInteger(file->readString("TIFF Color Model", "0"));
            if (mode != 0)
                settings.output.tiffColorMode = mode;
        }
    }
}

void WriteField(IniWriter& out, const SettingField& field, const Settings& settings) {
    out.key(field.key, FieldText(field, settings));
}

// The keys of the group that belong to `format`, in record order.
void WriteFormatKeys(IniWriter& out, std::string_view group, const std::string& format,
                     const Settings& settings) {
    for (const SettingField& field : SettingsSchema()) {
        if (field.group == group && field.format != nullptr && format == field.format)
            WriteField(out, field, settings);
    }
}

void WriteKey(IniWriter& out, std::string_view group, std::string_view key,
              const Settings& settings) {
    if (const SettingField* field = FindSetting(group, key))
        WriteField(out, *field, settings);
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

std::string ConfigPath() {
    std::string folder = HomeConfigFolder();
    if (folder.empty())
        return {};
    MakeFolder(folder);
    folder += "Tolvenor/";
    MakeFolder(folder);
    folder += "dravik/";
    MakeFolder(folder);
    return folder + "config.ini";
}

void LoadConfig(Settings& settings, const std::string& path, const DefaultsContext& context) {
    ApplyDefaults(settings, false, context);
    std::optional<IniFile> file = IniFile::Open(path);
    if (file) {
        for (const SettingField& field : SettingsSchema()) {
            if (field.loadDefault != nullptr)
                AssignFieldText(field, settings, field.loadDefault);
        }
        ReadFile(*file, settings);
    }
    Migrate(settings, path);
}

std::string ConfigText(const Settings& s) {
    IniWriter out;
    out.group("General");
    out.key("CFG", std::to_string(kConfigVersion));
    for (std::string_view key : {"Language", "Update Range", "Update Date", "Save Window Position"})
        WriteKey(out, "General", key, s);
    out.comment();

    out.group("Window");
    if (s.general.saveWindowPosition != 0) {
        for (std::string_view key : kWindowKeys)
            WriteKey(out, "Window", key, s);
    }
    out.comment();

    out.group("Interface");
    WriteKey(out, "Interface", "UI Theme", s);
    WriteKey(out, "Interface", "UI Size", s);
    out.comment();

    out.group("Input");
    WriteKey(out, "Input", "Format", s);
    for (const std::string& format : PrimaryInputFormats())
        WriteFormatKeys(out, "Input", format, s);
    out.comment();

    out.group("Output");
    WriteKey(out, "Output", "Format", s);
    for (const std::string& format : PrimaryOutputFormats())
        WriteFormatKeys(out, "Output", format, s);
    out.comment();

    for (std::string_view group : kFullGroups) {
        out.group(group);
        for (const SettingField& field : SettingsSchema()) {
            if (field.group == group)
                WriteField(out, field, s);
        }
        out.comment();
    }

    out.group("File");
    WriteKey(out, "File", "Recent Out Folders", s);
    out.comment();
    return out.bytes();
}

bool SaveConfig(const Settings& settings, const std::string& path) {
    if (path.empty())
        return false;
    const std::string text = ConfigText(settings);
    std::string temp = path + ".XXXXXX";
    int fd = mkstemp(temp.data());
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, text) && fchmod(fd, 0600) == 0 && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace dravik
