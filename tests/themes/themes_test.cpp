#include "themes/image_slots.h"
#include "themes/theme_archive.h"
#include "themes/theme_ini.h"

#include "support/temp_dir.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dravik {
namespace {

// A one-colour picture whose red byte tells the tests which entry it came from.
std::string Png(int width, int height, uint8_t tag, uint32_t format = PNG_FORMAT_RGBA) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = format;
    const size_t channels = PNG_IMAGE_PIXEL_CHANNELS(format);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * channels, 200);
    for (size_t i = 0; i < pixels.size(); i += channels)
        pixels[i] = tag;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
    std::string out(size, '\0');
    EXPECT_NE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr),
              0);
    out.resize(size);
    return out;
}

PngResult Decode(const std::string& bytes) {
    return DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

// What a slot holds: width and the red byte of its first pixel, or {0, -1} when empty.
std::pair<int, int> Held(const ImageSlots& slots, int slot) {
    const RgbaImage& image = slots.at(slot);
    return {image.width, image.empty() ? -1 : image.rgba[0]};
}

struct Entry {
    std::string name;
    std::string data;
    bool store = false;
};

void WriteZip(const std::string& path, const std::vector<Entry>& entries) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(),
                                                              archive_write_free);
    ASSERT_EQ(archive_write_set_format_zip(a.get()), ARCHIVE_OK);
    ASSERT_EQ(archive_write_open_filename(a.get(), path.c_str()), ARCHIVE_OK);
    for (const Entry& e : entries) {
        if (e.store)
            archive_write_zip_set_compression_store(a.get());
        else
            archive_write_zip_set_compression_deflate(a.get());
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                            archive_entry_free);
        archive_entry_set_pathname(entry.get(), e.name.c_str());
        archive_entry_set_filetype(entry.get(), AE_IFREG);
        archive_entry_set_perm(entry.get(), 0644);
        archive_entry_set_size(entry.get(), static_cast<la_int64_t>(e.data.size()));
        ASSERT_EQ(archive_write_header(a.get(), entry.get()), ARCHIVE_OK) << e.name;
        ASSERT_EQ(archive_write_data(a.get(), e.data.data(), e.data.size()),
                  static_cast<la_ssize_t>(e.data.size()));
    }
    ASSERT_EQ(archive_write_close(a.get()), ARCHIVE_OK);
}

// A text of exactly `total` bytes that ends in tail, padded with a comment line after head.
std::string PaddedTo(size_t total, const std::string& head, const std::string& tail) {
    std::string filler = "\r\n;";
    filler.append(total - head.size() - tail.size() - filler.size(), 'x');
    return head + filler + tail;
}

TEST(IniValue, FollowsTheLooseThemeFileRules) {
    struct Case {
        const char* text;
        const char* group;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"[Icons]\r\nNew=doc\r\nAdd=plus\r\n", "Icons", "Add", "plus"},
        {"[ICONS]\r\nnew=doc", "icons", "NEW", "doc"},
        {"[Icons]\r\nNewer=a\r\nNew=b", "Icons", "New", "a"},
        {"[Icons]New=doc\r\n", "Icons", "New", ""},
        {"New=doc\r\n[Icons]\r\n", "Icons", "New", ""},
        {"\r\nNew=outside\r\n[Icons]\r\nNew=inside", "Icons", "New", "inside"},
        {"[Icons]\r\nA=1\r\n[Buttons]\r\nNew=doc", "Icons", "New", ""},
        {"[Icons]\r\nA=[x]\r\nNew=doc", "Icons", "New", ""},
        {"[Icons]\r\nA=1\r\n[Icons]\r\nNew=doc", "Icons", "New", ""},
        {"[Buttons]\r\nNew=doc", "Icons", "New", ""},
        {"[Icons]\nNew=doc\n", "Icons", "New", ""},
        {"[Icons]\r\nNew=doc=old\r\n", "Icons", "New", "doc"},
        {"[Icons]\r\nNew doc\r\n", "Icons", "New", ""},
        {"[Icons]\r\nNew = \td\to c \t\r\n", "Icons", "New", "do c"},
        {"[Icons]\r\nNew=\r\nAdd=x", "Icons", "New", ""},
        {"[Theme]\r\nName=Gr\xC3\xBCn", "theme", "name", "Gr\xC3\xBCn"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IniValue(c.text, c.group, c.key), c.expected) << c.text;
}

TEST(ImageSlots, NumbersEveryThemablePictureOnce) {
    const int pixels[][2] = {{0, 16}, {1, 24}, {2, 32}, {3, 48}, {4, 64}, {5, 16}, {-1, 16}};
    for (const auto& [index, px] : pixels)
        EXPECT_EQ(IconPixels(index), px) << index;

    std::set<int> used;
    for (auto table : {LargeButtonSlots(), SmallIconSlots(), ToolbarIconSlots()}) {
        for (const SlotName& n : table)
            EXPECT_TRUE(IsImageSlot(n.slot) && used.insert(n.slot).second) << n.slot;
    }
    EXPECT_EQ(used.size(), 3u + 22u + 22u);
    EXPECT_FALSE(used.contains(kBannerSlot));
    EXPECT_EQ(*used.rbegin(), 52);
    for (size_t i = 0; i < SmallIconSlots().size(); ++i)
        EXPECT_EQ(SmallIconSlots()[i].name, ToolbarIconSlots()[i].name);
    ImageSlots slots;
    EXPECT_FALSE(slots.set(1, RgbaImage{1, 1, {1, 2, 3, 4}}));
    EXPECT_FALSE(slots.set(kImageSlotCount, RgbaImage{1, 1, {1, 2, 3, 4}}));
}

TEST(DecodePng, GivesStraightRgbaOrAReason) {
    // Alpha 200 must come out as it is; premultiplied, the red 50 would read 39.
    const PngResult rgba = Decode(Png(3, 2, 50));
    ASSERT_TRUE(rgba.ok()) << rgba.message;
    EXPECT_EQ(std::make_pair(rgba.image.width, rgba.image.height), std::make_pair(3, 2));
    ASSERT_EQ(rgba.image.rgba.size(), 24u);
    EXPECT_EQ(std::vector<uint8_t>(rgba.image.rgba.end() - 4, rgba.image.rgba.end()),
              (std::vector<uint8_t>{50, 200, 200, 200}));
    const PngResult grey = Decode(Png(2, 2, 90, PNG_FORMAT_GRAY));
    ASSERT_TRUE(grey.ok());
    EXPECT_EQ(std::vector<uint8_t>(grey.image.rgba.begin(), grey.image.rgba.begin() + 4),
              (std::vector<uint8_t>{90, 90, 90, 255}));
    EXPECT_TRUE(Decode(Png(kMaxPngSide, 1, 1)).ok());

    std::string badCrc = Png(8, 8, 1);
    badCrc[badCrc.find("IDAT") + 6] ^= 0x55;
    const std::pair<std::string, PngStatus> failures[] = {
        {"", PngStatus::Rejected},
        {"not a png at all", PngStatus::Rejected},
        {Png(8, 8, 1).substr(0, 40), PngStatus::Rejected},
        {badCrc, PngStatus::Rejected},
        {Png(kMaxPngSide + 1, 1, 1), PngStatus::TooLarge},
        {Png(1, kMaxPngSide + 1, 1), PngStatus::TooLarge},
    };
    for (const auto& [bytes, status] : failures) {
        const PngResult r = Decode(bytes);
        EXPECT_EQ(r.status, status) << bytes.size() << " bytes";
        EXPECT_TRUE(r.image.empty());
    }
}

TEST(RegisterBuiltinImages, FillsBannerButtonsAndBothIconSlots) {
    const std::string banner = Png(360, 40, 1), button = Png(64, 64, 2), icon = Png(16, 16, 3);
    auto bytes = [](const std::string& s) {
        return reinterpret_cast<const unsigned char*>(s.data());
    };
    const EmbeddedImage table[] = {
        {"banner", bytes(banner), banner.size()}, {"button_Convert", bytes(button), button.size()},
        {"icon_About", bytes(icon), icon.size()}, {"icon_Nothing", bytes(icon), icon.size()},
        {"button_InFiles", bytes(banner), 20},
    };
    ImageSlots slots;
    const BuiltinImagesReport report = RegisterBuiltinImages(slots, table);
    EXPECT_EQ(report.slotsFilled, 4);
    EXPECT_EQ(report.failed, (std::vector<std::string>{"icon_Nothing", "button_InFiles"}));
    EXPECT_EQ(Held(slots, kBannerSlot), std::make_pair(360, 1));
    EXPECT_EQ(Held(slots, 2), std::make_pair(64, 2));
    EXPECT_EQ(Held(slots, 28), std::make_pair(16, 3));
    EXPECT_EQ(Held(slots, 52), std::make_pair(16, 3));
    EXPECT_EQ(slots.filledCount(), 4);
}

TEST(RegisterBuiltinImages, TheProgramsOwnSetFillsEverySlot) {
    ImageSlots slots;
    const BuiltinImagesReport report = RegisterBuiltinImages(slots);
    EXPECT_TRUE(report.failed.empty()) << report.failed.front();
    EXPECT_EQ(slots.filledCount(), 1 + 3 + 22 + 22);
    auto size = [&](int slot) {
        return std::make_pair(slots.at(slot).width, slots.at(slot).height);
    };
    EXPECT_EQ(size(kBannerSlot), std::make_pair(360, 40));
    EXPECT_EQ(size(2), std::make_pair(64, 64));
    EXPECT_EQ(size(3), std::make_pair(48, 48));
    EXPECT_EQ(size(4), std::make_pair(48, 48));
    for (auto table : {SmallIconSlots(), ToolbarIconSlots()}) {
        for (const SlotName& n : table)
            EXPECT_EQ(size(n.slot), std::make_pair(16, 16)) << n.name;
    }
}

const std::pair<int, int> kMarker{1, 9};

class Themes : public ::testing::Test {
  protected:
    std::string folder() const { return dir_.path(); }
    std::string zip(const std::string& key) const { return ThemeArchivePath(folder(), key); }
    void make(const std::string& key, const std::vector<Entry>& entries) {
        WriteZip(zip(key), entries);
    }
    // Every slot holds a 1x1 marker, so a test sees exactly which slots a load replaced.
    static ImageSlots Marked() {
        ImageSlots slots;
        for (int slot = 0; slot < kImageSlotCount; ++slot)
            slots.set(slot, RgbaImage{1, 1, {9, 9, 9, 9}});
        return slots;
    }
    ThemeLoadResult load(ImageSlots& slots, std::string theme, int size = 2, bool buttons = true,
                         bool icons = true, bool toolbar = true) {
        return LoadThemeImages(slots, folder(), theme, size, ScanThemes(folder()), buttons, icons,
                               toolbar);
    }

    test::TempDir dir_;
};

TEST_F(Themes, ConfigNamesPickEntriesBySuffixOrInFull) {
    make("hand", {{"theme.cfg", "[Buttons]\r\nConvert=go\r\n"
                                "[Icons]\r\nNew=doc\r\nAdd=Pics/Plus.PNG\r\nCopy=copy.png.old"},
                  {"go_16.png", Png(64, 64, 1)},
                  {"doc_16.png", Png(16, 16, 16)},
                  {"doc_24.png", Png(24, 24, 24)},
                  {"doc_32.png", Png(32, 32, 32)},
                  {"doc_48.png", Png(48, 48, 48)},
                  {"doc_64.png", Png(64, 64, 64)},
                  {"Pics/Plus.PNG", Png(16, 16, 5)},
                  {"Pics/Plus_16.png", Png(16, 16, 7)},
                  {"copy.png.old", Png(16, 16, 6)}});
    for (int size : {0, 1, 2, 3, 4, 7, -3}) {
        ImageSlots slots = Marked();
        const ThemeLoadResult r = load(slots, "hand", size);
        EXPECT_EQ(r.status, ThemeArchiveStatus::Opened);
        EXPECT_EQ(r.slotsLoaded, 7) << size;
        const int px = IconPixels(size);
        EXPECT_EQ(Held(slots, 29), std::make_pair(px, px)) << "toolbar New at size " << size;
        const std::pair<int, std::pair<int, int>> held[] = {
            {5, {16, 16}}, {2, {64, 1}},  {6, {16, 5}}, {30, {16, 5}},
            {15, {16, 6}}, {39, {16, 6}}, {3, kMarker}, {kBannerSlot, kMarker}};
        for (const auto& [slot, picture] : held)
            EXPECT_EQ(Held(slots, slot), picture) << "slot " << slot << " at size " << size;
    }

    // Changing the icon size reloads the toolbar alone; the rest keeps what it shows.
    ImageSlots slots = Marked();
    EXPECT_EQ(load(slots, "hand", 4, false, false, true).slotsLoaded, 3);
    EXPECT_EQ(Held(slots, 29), std::make_pair(64, 64));
    EXPECT_EQ(Held(slots, 5), kMarker);
    EXPECT_EQ(Held(slots, 2), kMarker);
    EXPECT_EQ(load(slots, "hand", 4, true, false, false).slotsLoaded, 1);
    EXPECT_EQ(Held(slots, 2), std::make_pair(64, 1));
    EXPECT_EQ(Held(slots, 5), kMarker);
}

TEST_F(Themes, NamesComeFromThemeCfgAndBrokenArchivesLoadNothing) {
    make("named", {{"theme.cfg", "[Theme]\r\nName= Hand Drawn \r\n"}});
    make("nameless", {{"theme.cfg", "[Theme]\r\nAuthor=x\r\n"}});
    make("nocfg", {{"doc_16.png", Png(16, 16, 1)}});
    make("edge",
         {{"theme.cfg", PaddedTo(kThemeNameConfigBytes + 1, "[Theme]", "\r\nName=Gr\xC3\xBC")}});
    make("late", {{"theme.cfg", PaddedTo(kThemeNameConfigBytes + 1, "[Theme]", "\r\nName=Late")}});
    dir_.write("gfx/garbage.zip", "this is no zip archive");
    dir_.write("gfx/zero.zip", "");
    dir_.write("gfx/readme.txt", "");
    std::filesystem::create_directories(folder() + "gfx/folder.zip");

    const InstalledThemes expected = {{"edge", "Gr\xEF\xBF\xBD"},
                                      {"garbage", "garbage"},
                                      {"late", "Lat"},
                                      {"named", "Hand Drawn"},
                                      {"nameless", ""},
                                      {"nocfg", ""},
                                      {"zero", "zero"}};
    EXPECT_EQ(ScanThemes(folder()), expected);
    EXPECT_EQ(ThemeDisplayName(folder(), "absent"), "absent");
    EXPECT_TRUE(ScanThemes(folder() + "nowhere/").empty());

    const std::pair<const char*, ThemeArchiveStatus> statuses[] = {
        {"zero", ThemeArchiveStatus::Empty},
        {"garbage", ThemeArchiveStatus::NotAnArchive},
        {"nocfg", ThemeArchiveStatus::Opened},
    };
    for (const auto& [key, status] : statuses) {
        ImageSlots slots = Marked();
        const ThemeLoadResult r = load(slots, key);
        EXPECT_EQ(r.status, status) << key;
        EXPECT_EQ(r.slotsLoaded, 0) << key;
        EXPECT_FALSE(r.themeChanged) << key;
        EXPECT_EQ(slots.at(5).width, 1) << key;
    }
}

TEST_F(Themes, MissingThemeFallsBackToTheFirstInstalledKey) {
    make("beta", {{"theme.cfg", "[Icons]\r\nNew=doc"}, {"doc_16.png", Png(16, 16, 2)}});
    make("alpha", {{"theme.cfg", "[Icons]\r\nNew=doc"}, {"doc_16.png", Png(16, 16, 1)}});
    ImageSlots slots = Marked();
    std::string theme = "gone";
    const ThemeLoadResult r =
        LoadThemeImages(slots, folder(), theme, 0, ScanThemes(folder()), true, true, true);
    EXPECT_TRUE(r.themeChanged);
    EXPECT_EQ(theme, "alpha");
    EXPECT_EQ(Held(slots, 5), std::make_pair(16, 1));

    theme = "gone";
    const InstalledThemes stale = {{"removed", ""}};
    EXPECT_EQ(LoadThemeImages(slots, folder(), theme, 0, stale, true, true, true).status,
              ThemeArchiveStatus::Missing);
    EXPECT_EQ(theme, "removed");
    theme = "gone";
    EXPECT_EQ(LoadThemeImages(slots, folder(), theme, 0, {}, true, true, true).status,
              ThemeArchiveStatus::Missing);
    EXPECT_EQ(theme, "gone");
}

TEST_F(Themes, BadEntriesLeaveTheirSlotsAndOthersStillLoad) {
    const std::string png = Png(16, 16, 77);
    const std::string padding(64, 'P');
    auto padded = [&](size_t total) { return png + std::string(total - png.size(), '\0'); };
    const std::string cfg = "[Icons]\r\nNew=deflate\r\nAdd=stored\r\nInFiles=big\r\n"
                            "InFolder=limit\r\nOutFolder=wide\r\nOutFormat=junk\r\n"
                            "FavFolder=empty\r\nImportFiles=absent\r\nExportFiles=good\r\n"
                            "Exit=../../x.png\r\nCopy=../up";
    make("bad", {{"deflate_16.png", png},
                 {"theme.cfg", cfg},
                 {"stored_16.png", png + padding, true},
                 {"big_16.png", padded(kMaxThemeEntryBytes + 1)},
                 {"limit_16.png", padded(kMaxThemeEntryBytes)},
                 {"wide_16.png", Png(kMaxPngSide + 1, 1, 5)},
                 {"junk_16.png", "\x89PNG\r\n\x1a\n but nothing after"},
                 {"empty_16.png", ""},
                 {"good_16.png", png},
                 {"../../x.png", png},
                 {"../up_16.png", png}});
    std::string bytes = test::ReadFileText(zip("bad"));
    // The first entry's data follows its local header; an invalid deflate block type there
    // makes zlib fail. The stored entry is damaged only in its padding, which libpng never
    // reads, so only the archive's checksum can catch it.
    auto le16 = [&](size_t at) {
        return static_cast<size_t>(static_cast<uint8_t>(bytes[at]) |
                                   static_cast<uint8_t>(bytes[at + 1]) << 8);
    };
    bytes[30 + le16(26) + le16(28)] = '\xFF';
    const size_t stored = bytes.find(png + padding);
    ASSERT_NE(stored, std::string::npos);
    bytes[stored + png.size() + 10] = 'Q';
    dir_.write("gfx/bad.zip", bytes);

    ImageSlots slots = Marked();
    EXPECT_EQ(load(slots, "bad", 2, false, true, false).slotsLoaded, 4);
    const std::pair<int, bool> expected[] = {{5, false}, {6, false},  {7, false},  {8, true},
                                             {9, false}, {10, false}, {11, false}, {12, false},
                                             {13, true}, {14, true},  {15, true}};
    for (const auto& [slot, loaded] : expected)
        EXPECT_EQ(Held(slots, slot), loaded ? std::make_pair(16, 77) : kMarker) << "slot " << slot;
    EXPECT_FALSE(std::filesystem::exists(folder() + "../x.png"));
}

TEST_F(Themes, ThemeCfgIsReadUpTo64KiB) {
    const std::string head = "[Icons]";
    make("fits", {{"theme.cfg", PaddedTo(kMaxThemeConfigBytes, head, "\r\nNew=doc")},
                  {"doc_16.png", Png(16, 16, 1)}});
    make("over", {{"theme.cfg", PaddedTo(kMaxThemeConfigBytes + 1, head, "\r\nNew=doc")},
                  {"doc_16.png", Png(16, 16, 1)},
                  {"do_16.png", Png(16, 16, 2)}});
    ImageSlots slots = Marked();
    EXPECT_EQ(load(slots, "fits").slotsLoaded, 1);
    EXPECT_EQ(Held(slots, 5), std::make_pair(16, 1));
    EXPECT_EQ(load(slots, "over").slotsLoaded, 1);
    EXPECT_EQ(Held(slots, 5), std::make_pair(16, 2));
}

TEST_F(Themes, TenThousandEntriesLoadQuickly) {
    std::vector<Entry> entries;
    for (int i = 0; i < 10000; ++i)
        entries.push_back({"filler/" + std::to_string(i) + ".txt", "x"});
    entries.push_back({"theme.cfg", "[Theme]\r\nName=Crowded\r\n[Icons]\r\nNew=doc\r\nAbout=doc"});
    entries.push_back({"doc_16.png", Png(16, 16, 1)});
    make("crowded", entries);

    const auto start = std::chrono::steady_clock::now();
    ImageSlots slots = Marked();
    EXPECT_EQ(load(slots, "crowded", 0).slotsLoaded, 4);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Far above a linear walk even on a loaded machine under the sanitizers;
    // only a walk that rescans the archive per entry comes near it.
    EXPECT_LT(elapsed, std::chrono::seconds(15));
    EXPECT_EQ(Held(slots, 52), std::make_pair(16, 1));
}

TEST_F(Themes, MissingKeysNameNoPictureEvenWhenTheArchiveHoldsABareSuffix) {
    make("stray", {{"theme.cfg", "[Icons]\r\nAdd=plus\r\n"},
                   {"_16.png", Png(16, 16, 3)},
                   {"_32.png", Png(32, 32, 3)}});
    ImageSlots slots = Marked();
    EXPECT_EQ(load(slots, "stray").slotsLoaded, 0);
    EXPECT_EQ(Held(slots, 5), kMarker);
    EXPECT_EQ(Held(slots, 29), kMarker);
}

TEST(InstalledThemes, FoundInShareBesideBinAndHiddenByThemesBesideTheProgram) {
    test::TempDir dir;
    const std::string program = dir.file("bin/");
    const std::string shared = dir.file("share/dravik/gfx/");
    EXPECT_EQ(InstalledThemeFolder(program), shared);
    EXPECT_EQ(InstalledThemeFolder("/opt/dravik/"), "");

    WriteZip(shared + "hand.zip", {{"theme.cfg", "[Theme]\r\nName=Installed\r\n[Icons]\r\nNew=doc"},
                                   {"doc_16.png", Png(16, 16, 3)}});
    WriteZip(shared + "both.zip", {{"theme.cfg", "[Theme]\r\nName=Shared"}});
    WriteZip(program + "gfx/both.zip", {{"theme.cfg", "[Theme]\r\nName=Beside"}});
    const InstalledThemes expected = {{"both", "Beside"}, {"hand", "Installed"}};
    EXPECT_EQ(ScanThemes(program), expected);
    EXPECT_EQ(ThemeArchivePath(program, "hand"), shared + "hand.zip");
    EXPECT_EQ(ThemeArchivePath(program, "both"), program + "gfx/both.zip");
    EXPECT_EQ(ThemeArchivePath(program, "none"), program + "gfx/none.zip");

    ImageSlots slots;
    std::string theme = "hand";
    EXPECT_EQ(LoadThemeImages(slots, program, theme, 0, expected, true, true, true).status,
              ThemeArchiveStatus::Opened);
    EXPECT_EQ(slots.at(5).width, 16);
}

} // namespace
} // namespace dravik
