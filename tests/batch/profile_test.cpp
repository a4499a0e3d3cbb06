#include "batch/option_scan.h"

#include "support/temp_dir.h"
#include "texts/language_table.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dravik {
namespace {

struct ProfileRun {
    Settings settings;
    bool ok = false;
    explicit ProfileRun(const std::string& path) {
        ApplyDefaults(settings, true, {});
        ok = LoadProfile(path, settings);
    }
};

TEST(LoadProfileTest, AppliesKeysLikeTheirOptions) {
    test::TempDir dir;
    std::string path = dir.write("p.ini", "\xEF\xBB\xBF[cli]\r\n"
                                          "--jpg-quality = 80\r\n"
                                          "--ROTATION = 90\r\n"
                                          "--WM-IMAGE =  /w.png  \r\n"
                                          "--NO-SUBFOLDERS = 0\r\n"
                                          "--resize-algorithm =  bicubic \r\n"
                                          "--filename-mask = \" %filename% \"\r\n"
                                          "--input = ignored.pic\r\n"
                                          "--unknown = 1\r\n");
    ProfileRun r(path);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.settings.output.jpgQuality, 80);
    EXPECT_EQ(r.settings.transform.doImageRotation, 1);
    EXPECT_EQ(r.settings.transform.imageRotation, 90);
    EXPECT_EQ(r.settings.watermark.doWatermark, 2);
    EXPECT_EQ(r.settings.watermark.image, "/w.png");
    EXPECT_EQ(r.settings.advanced.keepSubfolders, 0);
    EXPECT_EQ(r.settings.transform.imageResizeAlgorithm, 3);
    EXPECT_EQ(r.settings.advanced.filenameMask, " %filename% ");
}

TEST(LoadProfileTest, FrameOpacityGoesByItsProfileName) {
    test::TempDir dir;
    ProfileRun wrong(dir.write("a.ini", "[CLI]\n--FR-SOLID-OPACITY=10\n"));
    EXPECT_EQ(wrong.settings.frame.solidOpacity, 255);
    ProfileRun right(dir.write("b.ini", "[CLI]\n--WM-SOLID-OPACITY=10\n"));
    EXPECT_EQ(right.settings.frame.solidOpacity, 10);
}

TEST(LoadProfileTest, AcceptsFilesWithoutTheGroup) {
    test::TempDir dir;
    for (const char* content : {"", "[Other]\n--jpg-quality=1\n", "\x01\x02\x03\xff\xfe"}) {
        ProfileRun r(dir.write("p.ini", content));
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.settings.output.jpgQuality, 95);
    }
    ProfileRun longLine(dir.write("l.ini", "[CLI]\n--wm-text=" + std::string(100000, 'z') + "\n"));
    EXPECT_EQ(longLine.settings.watermark.text.size(), 100000u);
}

TEST(LoadProfileTest, RefusesWhatCannotBeOpened) {
    test::TempDir dir;
    EXPECT_FALSE(ProfileRun("").ok);
    EXPECT_FALSE(ProfileRun(dir.file("missing.ini")).ok);
    EXPECT_FALSE(ProfileRun(dir.path()).ok);
    std::string locked = dir.write("locked.ini", "[CLI]\n");
    chmod(locked.c_str(), 0);
    if (geteuid() != 0) { // root reads anything
        EXPECT_FALSE(ProfileRun(locked).ok);
    }
}

TEST(LoadProfileTest, ProfileOptionInTheScan) {
    test::TempDir dir;
    std::string path = dir.write("p.ini", "[CLI]\n--jpg-quality=60\n");
    Settings s;
    AppState st;
    ApplyDefaults(s, true, {});
    ScanResult r = ScanOptions({"--jpg-quality=10", "--profile=" + path, "-i", "x"}, s, st);
    EXPECT_TRUE(r.error.empty());
    EXPECT_EQ(s.output.jpgQuality, 60);
    r = ScanOptions({"--profile=" + path, "--jpg-quality=10"}, s, st);
    EXPECT_EQ(s.output.jpgQuality, 10);
    r = ScanOptions({"--profile=" + dir.file("none.ini"), "-i", "x"}, s, st);
    EXPECT_EQ(r.error, "Invalid profile file");
}

TEST(LoadProfileTest, NamesValuesItReadsLeniently) {
    LoadLanguageTable("");
    test::TempDir dir;
    std::string path = dir.write("p.ini", "[CLI]\n"
                                          "--JPG-QUALITY = 7q\n"
                                          "--Resize-Algorithm = LANCOZ\n"
                                          "--WIDTH = 50\n");
    Settings settings;
    ApplyDefaults(settings, true, {});
    std::vector<std::string> warnings;
    ASSERT_TRUE(LoadProfile(path, settings, &warnings));
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "dravik: --JPG-QUALITY: 7q is not a number, 7 used",
                            "dravik: --Resize-Algorithm: unknown value LANCOZ, BOX used"}));
    EXPECT_EQ(settings.output.jpgQuality, 7);

    // Through --profile the lines join the scan's own.
    AppState state;
    ScanResult r = ScanOptions({"--profile=" + path, "--nope"}, settings, state);
    EXPECT_EQ(r.warnings.size(), 3u);
}

} // namespace
} // namespace dravik
