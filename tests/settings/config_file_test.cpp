#include "settings/config_file.h"
#include "settings/settings_schema.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

using test::ReadFileText;
using test::TempDir;

const DefaultsContext kContext{1920, 1080, 1700000000};

class ConfigFileTest : public testing::Test {
protected:
    Settings load(const std::string& text) {
        std::string path = dir.write("config.ini", text);
        Settings s;
        LoadConfig(s, path, kContext);
        return s;
    }
    TempDir dir;
};

TEST_F(ConfigFileTest, MissingFileGivesTheWindowDefaultsWithoutMigration) {
    Settings s;
    LoadConfig(s, dir.file("none.ini"), kContext);
    Settings expected;
    ApplyDefaults(expected, false, kContext);
    EXPECT_EQ(ConfigText(s), ConfigText(expected));
    EXPECT_EQ(s.general.cfg, 19);
    EXPECT_EQ(s.window.x, (1920 - 510) / 2);
}

TEST_F(ConfigFileTest, MissingKeysOfAnOpenFileUseTheLoadDefaults) {
    Settings s = load("[General]\r\nLanguage=de\r\n");
    EXPECT_EQ(s.general.language, "de");
    EXPECT_EQ(s.general.cfg, 0);
    EXPECT_EQ(s.window.x, 100);
    EXPECT_EQ(s.window.y, 100);
    EXPECT_EQ(s.transform.keepAspectRatio, 1);
    // CFG 0 passes every migration; the default mask already has %ext%.
    EXPECT_EQ(s.advanced.filenameMask, "%filename%.%ext%");
}

struct MigrationCase {
    const char* name;
    const char* text;
    void (*check)(const Settings&);
};

class MigrationTest : public ConfigFileTest, public testing::WithParamInterface<MigrationCase> {};

TEST_P(MigrationTest, BringsOlderFilesUpToDate) {
    GetParam().check(load(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, MigrationTest,
    testing::Values(
        MigrationCase{"mask10", "[General]\nCFG=10\n[Advanced]\nFilename Mask=%filename%_small\n",
                      [](const Settings& s) { EXPECT_EQ(s.advanced.filenameMask, "%filename%_small.%ext%"); }},
        MigrationCase{"mask11", "[General]\nCFG=11\n[Advanced]\nFilename Mask=%filename%_small\n",
                      [](const Settings& s) { EXPECT_EQ(s.advanced.filenameMask, "%filename%_small"); }},
        MigrationCase{"maskExtUpper", "[General]\nCFG=10\n[Advanced]\nFilename Mask=a.%EXT%\n",
                      [](const Settings& s) { EXPECT_EQ(s.advanced.filenameMask, "a.%EXT%.%ext%"); }},
        MigrationCase{"raw13", "[General]\nCFG=13\n[Input]\nRAW Load As=1\n",
                      [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 3); }},
        MigrationCase{"raw13zero", "[General]\nCFG=13\n[Input]\nRAW Load As=0\n",
                      [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 0); }},
        MigrationCase{"raw14", "[General]\nCFG=14\n[Input]\nRAW Load As=1\n",
                      [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 1); }},
        MigrationCase{"psd18", "[General]\nCFG=18\n[Input]\nPSD Color Model=2\nPSD Color Mode=1\n[Output]\nTIFF Color Model=1\n",
                      [](const Settings& s) {
                          EXPECT_EQ(s.input.psdColorMode, 2);
                          EXPECT_EQ(s.output.tiffColorMode, 1);
                      }},
        MigrationCase{"psd18zero", "[General]\nCFG=18\n[Input]\nPSD Color Model=0\nPSD Color Mode=1\n",
                      [](const Settings& s) { EXPECT_EQ(s.input.psdColorMode, 1); }},
        MigrationCase{"psd19", "[General]\nCFG=19\n[Input]\nPSD Color Model=2\nPSD Color Mode=1\n",
                      [](const Settings& s) { EXPECT_EQ(s.input.psdColorMode, 1); }},
        MigrationCase{"negative", "[General]\nCFG=-5\n[Input]\nRAW Load As=1\n",
                      [](const Settings& s) { EXPECT_EQ(s.input.rawLoadAs, 3); }},
        MigrationCase{"huge", "[General]\nCFG=99999999999\n[Input]\nRAW Load As=1\n",
                      [](const Settings& s) {
                          EXPECT_EQ(s.general.cfg, INT32_MAX);
                          EXPECT_EQ(s.input.rawLoadAs, 1);
                      }}),
    [](const testing::TestParamInfo<MigrationCase>& info) { return std::string(info.param.name); });

TEST_F(ConfigFileTest, ReadsWhatPeopleWriteByHand) {
    Settings s = load("\xEF\xBB\xBF  [output]\rjpg quality=77\r\n; comment=1\n[OUTPUT]\nJPG Quality=5\n"
                      "[Adjustment]\nImage Gamma=-Infinity\nImage Brightness=  -12abc\nImage Contrast=$10\n"
                      "[Watermark]\nText=  caf\xC3\xA9  \nFont Size=+3\n[Frame]\nSolid Left Color =  FF0000 \n");
    EXPECT_EQ(s.output.jpgQuality, 77) << "lower case, no blanks, first of two equal groups";
    EXPECT_TRUE(std::isinf(s.adjustment.imageGamma) && s.adjustment.imageGamma < 0);
    EXPECT_EQ(s.adjustment.imageBrightness, -12);
    EXPECT_EQ(s.adjustment.imageContrast, 0) << "integers are decimal here";
    EXPECT_EQ(s.watermark.text, "caf\xC3\xA9");
    EXPECT_EQ(s.watermark.fontSize, 3);
    EXPECT_EQ(s.frame.solidLeftColor, "FF0000");

    Settings latin = load("[Watermark]\nText=caf\xE9\n");
    EXPECT_EQ(latin.watermark.text, "caf\xC3\xA9") << "a file without the mark is ISO 8859-1";
    Settings nan = load("[Adjustment]\nImage Gamma=NaN\n");
    EXPECT_TRUE(std::isnan(nan.adjustment.imageGamma));
}

TEST_F(ConfigFileTest, WritesTheGroupsInTheirOrder) {
    Settings s;
    ApplyDefaults(s, false, kContext);
    s.general.saveWindowPosition = 0;
    s.output.pngCompression = 3; // not a written format
    std::string text = ConfigText(s);
    EXPECT_EQ(text.rfind("\xEF\xBB\xBF\r\n[General]\r\nCFG = 19\r\nLanguage = en\r\n", 0), 0u);
    EXPECT_NE(text.find("[Window]\r\n; \r\n[Interface]\r\nUI Theme = handdrawn\r\nUI Size = 2\r\n; \r\n"),
              std::string::npos);
    EXPECT_NE(text.find("[Input]\r\nFormat = pic\r\n; \r\n[Output]\r\nFormat = jpg\r\nJPG BPP = 0\r\n"
                        "JPG Quality = 95\r\nJPG Chroma = 0\r\nJPG Save As = 0\r\n; \r\n[Transform]\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("Image Gamma = 1.000000\r\n"), std::string::npos);
    EXPECT_EQ(text.find("PNG"), std::string::npos);
    const std::string tail = "; \r\n[File]\r\nRecent Out Folders = \r\n; \r\n";
    ASSERT_GT(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);

    s.general.saveWindowPosition = 1;
    s.window.x = -20;
    EXPECT_NE(ConfigText(s).find("[Window]\r\nIsMaximized = 0\r\nWidth = 510\r\nHeight = 330\r\n"
                                 "X = -20\r\nY = 375\r\n; \r\n"),
              std::string::npos);
}

TEST_F(ConfigFileTest, SaveThenLoadReproducesEveryField) {
    Settings s;
    ApplyDefaults(s, false, kContext);
    // A value of its own for every field the file carries.
    int n = 1;
    for (const SettingField& field : SettingsSchema()) {
        if (field.format != nullptr && std::string(field.format) != "jpg")
            continue;
        std::string group = field.group;
        if (field.kind == FieldKind::String || field.kind == FieldKind::Color)
            AssignFieldText(field, s, "v" + std::to_string(n) + " \xC3\xA9");
        else if (field.kind == FieldKind::Float)
            AssignFieldText(field, s, "2.5");
        else if (std::string(field.key) != "CFG")
            AssignFieldInt(field, s, n % 200);
        ++n;
    }
    s.general.saveWindowPosition = 1;
    std::string path = dir.file("config.ini");
    ASSERT_TRUE(SaveConfig(s, path));
    Settings back;
    LoadConfig(back, path, kContext);
    for (const SettingField& field : SettingsSchema()) {
        if (field.format != nullptr && std::string(field.format) != "jpg")
            continue;
        EXPECT_EQ(FieldText(field, back), FieldText(field, s)) << field.group << "/" << field.key;
    }
    EXPECT_EQ(ReadFileText(path), ConfigText(s));
}

TEST_F(ConfigFileTest, AHandAddedKeyOfAnotherFormatIsReadButNotWrittenBack) {
    Settings s = load("[Output]\nPNG Compression=2\n");
    EXPECT_EQ(s.output.pngCompression, 2);
    EXPECT_EQ(ConfigText(s).find("PNG Compression"), std::string::npos);
}

TEST_F(ConfigFileTest, AFailedSaveKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    std::string path = dir.write("config.ini", "old");
    chmod(dir.path().c_str(), 0500);
    Settings s;
    ApplyDefaults(s, false, kContext);
    EXPECT_FALSE(SaveConfig(s, path));
    chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(ReadFileText(path), "old");
}

TEST_F(ConfigFileTest, AWriteThatFailsHalfwayKeepsTheOldFileAndLeavesNoTrace) {
    // A file-size limit makes the write fail part way, as a full disk would,
    // and works for root as well.
    std::string path = dir.write("config.ini", "old");
    Settings s;
    ApplyDefaults(s, false, kContext);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool saved_ok = SaveConfig(s, path);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(ReadFileText(path), "old");
    size_t entries = 0;
    if (DIR* d = opendir(dir.path().c_str())) {
        while (dirent* e = readdir(d))
            entries += e->d_name[0] != '.' ? 1 : 0;
        closedir(d);
    }
    EXPECT_EQ(entries, 1u) << "no temporary file left behind";

    EXPECT_FALSE(SaveConfig(s, dir.file("missing/config.ini")));
    EXPECT_FALSE(SaveConfig(s, ""));
    ASSERT_TRUE(SaveConfig(s, path));
    EXPECT_EQ(ReadFileText(path), ConfigText(s));
    struct stat st{};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ConfigFileTest, HostileFilesGiveDefaults) {
    Settings defaults;
    ApplyDefaults(defaults, false, kContext);
    mkdir(dir.file("folder.ini").c_str(), 0700);
    Settings s;
    LoadConfig(s, dir.file("folder.ini"), kContext);
    EXPECT_EQ(ConfigText(s), ConfigText(defaults));

    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 37) & 0xFF);
    Settings b = load(binary);
    EXPECT_EQ(b.output.jpgQuality, 95);

    Settings longLine = load("[Watermark]\nText=" + std::string(1 << 20, 'x') + "\n[Output]\nJPG Quality=50\n");
    EXPECT_EQ(longLine.watermark.text.size(), 1u << 20);
    EXPECT_EQ(longLine.output.jpgQuality, 50);
    Settings empty = load("");
    EXPECT_EQ(empty.general.cfg, 0);
}

TEST(ConfigPathTest, LivesBelowTheConfigHomeAndMakesItsFolders) {
    TempDir dir;
    const char* old = std::getenv("XDG_CONFIG_HOME");
    std::string saved = old != nullptr ? old : "";
    setenv("XDG_CONFIG_HOME", (dir.path() + "cfg").c_str(), 1);
    std::string path = ConfigPath();
    EXPECT_EQ(path, dir.path() + "cfg/Tolvenor/dravik/config.ini");
    struct stat st{};
    EXPECT_EQ(stat((dir.path() + "cfg/Tolvenor/dravik").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    if (old != nullptr)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

} // namespace
} // namespace dravik
