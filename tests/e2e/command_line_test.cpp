// Runs the built executable on tiny pictures the way a script would, and
// reads what it prints, what it returns and what it leaves on disk.
#include "support/pict_writer.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sys/stat.h>

namespace dravik {
namespace {

namespace fs = std::filesystem;

using test::ProgramEnv;
using test::ProgramResult;
using test::ReadFileText;
using test::Rgb;
using test::RunProgram;
using test::TempDir;

using Lines = std::vector<std::string>;

const Lines kBanner = {"Tolvenor Dravik 3.1", "Copyright (c) 2026 Tolvenor",
                       "http://www.tolvenor.example/", " "};
const std::string kStopped = "Conversion stopped";
const std::string kEmptyInput = "No input file(s) found. Please, add valid file(s) and try again!";
// The first 512 bytes of a PICT belong to the program that wrote it (zeros
// from our writer), so no signature can claim the file.
const std::string kPictFormat = "File Format: [ERROR] UNRECOGNIZED";

// What a run given nothing but -i and -o echoes after its input and output
// lines, up to Keep Subfolders (which depends on the run).
const Lines kDefaultEcho = {"Conversion: jpg",
                            "JPG BPP: 0",
                            "JPG Quality: 95",
                            "JPG Chroma Subsampling: NONE",
                            "JPG Save As: STANDARD",
                            "Flip Horizontal: 0",
                            "Flip Vertical: 0",
                            "Greyscale: 0",
                            "Frame: NONE",
                            "Watermark: NONE",
                            "Filename Mask: %filename%.%ext%",
                            "File Timestamp: CURRENT"};

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The lines after the banner; the banner must be there as it always is.
Lines AfterBanner(const ProgramResult& r) {
    Lines lines = r.outLines();
    if (lines.size() < kBanner.size() ||
        !std::equal(kBanner.begin(), kBanner.end(), lines.begin())) {
        ADD_FAILURE() << "no banner in:\n" << r.out;
        return lines;
    }
    return Lines(lines.begin() + static_cast<std::ptrdiff_t>(kBanner.size()), lines.end());
}

// The lines that begin with one of the prefixes, in order.
Lines Starting(const Lines& lines, const Lines& prefixes) {
    Lines kept;
    for (const std::string& line : lines) {
        if (std::any_of(prefixes.begin(), prefixes.end(),
                        [&](const std::string& p) { return line.rfind(p, 0) == 0; }))
            kept.push_back(line);
    }
    return kept;
}

std::string LineStarting(const Lines& lines, const std::string& prefix) {
    Lines found = Starting(lines, {prefix});
    return found.empty() ? std::string() : found.front();
}

bool IsJpeg(const std::string& path) {
    return ReadFileText(path).rfind("\xFF\xD8\xFF", 0) == 0;
}

// Every file below the folder, as sorted relative paths.
Lines FilesBelow(const std::string& folder) {
    Lines files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file())
            files.push_back(fs::relative(it->path(), folder).string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// UTF-8 text as UTF-16 code units in the given byte order; characters
// beyond the first plane become surrogate pairs.
std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::string out;
    auto put = [&](uint32_t unit) {
        char high = static_cast<char>(unit >> 8);
        char low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        int more = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        uint32_t cp = more == 0 ? lead : lead & (0x3Fu >> more);
        for (int k = 1; k <= more; ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + static_cast<size_t>(k)]) & 0x3Fu);
        i += static_cast<size_t>(more) + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

class CommandLineTest : public testing::Test {
  protected:
    TempDir dir;
    // The folder as the program's getcwd reports it, links resolved.
    std::string root = fs::canonical(dir.path()).string() + "/";

    ProgramEnv env(const std::string& workDir = {}) const {
        ProgramEnv e = test::ProgramEnvIn(dir.path());
        e.workDir = workDir.empty() ? root : workDir;
        return e;
    }
    ProgramResult run(const Lines& args) { return RunProgram(args, env()); }

    std::string picture(const std::string& name, Rgb colour = {200, 40, 40}) {
        return dir.write(name, test::MakeSolidPict(8, 6, colour));
    }
    // The picture's opening, then bytes that are no drawing operation at all:
    // neither ImageMagick nor our decoder makes a picture of it.
    std::string damaged(const std::string& name) {
        return dir.write(name, test::MakeSolidPict(8, 6, {0, 0, 0}).substr(0, 522) +
                                   std::string(60, '\x7f'));
    }
    std::string folder(const std::string& name) {
        fs::create_directories(root + name);
        return root + name + "/";
    }
};

TEST_F(CommandLineTest, PlainRunPrintsSixLinesAndConvertsEveryFile) {
    picture("in/a.pict");
    picture("in/b.pic", {0, 0, 255});
    folder("out");
    ProgramResult r = run({"-i", "in", "-o", "out"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(AfterBanner(r),
              (Lines{"Preparing...", "Importing...", "Import complete, new files added: 2",
                     "Converting...", "Conversion complete", "Files converted: 2 of 2"}));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(FilesBelow(root + "out"), (Lines{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(IsJpeg(root + "out/a.jpg"));
    EXPECT_TRUE(IsJpeg(root + "out/b.jpg"));
}

TEST_F(CommandLineTest, QuietLeavesOnlyErrorLines) {
    picture("in/a.pict");
    folder("out");
    ProgramResult r = run({"-q", "-i", "in", "-o", "out"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(IsJpeg(root + "out/a.jpg"));

    r = run({"-i", "in", "-o", "out", "--quiet", "--jpg-quality=0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Error: Invalid jpg-quality value\n");
}

TEST_F(CommandLineTest, DamagedFileAmongThreeIsReportedAndEndsWithThree) {
    picture("in/a.pict");
    damaged("in/b.pic");
    picture("in/c.pct");
    folder("out");
    ProgramResult r = run({"-d", "-i", "in", "-o", "out"});
    EXPECT_EQ(r.exitCode, 3);
    Lines expected = Lines{"Preparing...", "Input: in", "Output: out"} + kDefaultEcho +
                     Lines{"Keep Subfolders: 1",
                           "Importing...",
                           "Import complete, new files added: 3",
                           "Converting...",
                           "Processing: " + root + "in/a.pict",
                           kPictFormat,
                           "[OK] Saving As: " + root + "out/a.jpg",
                           "Processing: " + root + "in/b.pic",
                           kPictFormat,
                           "[ERROR] Unable to convert the file!",
                           "Processing: " + root + "in/c.pct",
                           kPictFormat,
                           "[OK] Saving As: " + root + "out/c.jpg",
                           "Conversion complete",
                           "Files converted: 2 of 3"};
    EXPECT_EQ(AfterBanner(r), expected);
    // A failed file leaves nothing behind, not even a half-written temp file.
    EXPECT_EQ(FilesBelow(root + "out"), (Lines{"a.jpg", "c.jpg"}));
}

TEST_F(CommandLineTest, DebugEchoesEveryOperationThatIsOn) {
    picture("in/a.pict");
    folder("out");
    ProgramEnv e = env();
    // The custom timestamp is local time; in UTC it is the file time itself.
    e.extra["TZ"] = "UTC";
    ProgramResult r = RunProgram(
        {"-d", "-i", "in/a.pict", "-o", "out", "--jpg-bpp=24", "--jpg-quality=80",
         "--jpg-chroma=high", "--jpg-save-as=progressive", "--rotation-type=advanced",
         "--rotation=90", "--rotation-back-color=FF0000", "--width=16", "--width-unit=pixels",
         "--height=50", "--height-unit=percent", "--keep-aspect-ratio", "--resize-type=largeimages",
         "--resize-algorithm=lanczos", "--flip-horizontal", "--flip-vertical", "--brightness=-20",
         "--contrast=30", "--gamma=2.5", "--invert", "--greyscale", "--threshold=100",
         "--dither=bayer8", "--fr-solid-left=1", "--fr-solid-right=2", "--fr-solid-top=3",
         "--fr-solid-bottom=4", "--fr-solid-left-color=FF0000", "--fr-solid-right-color=00FF00",
         "--fr-solid-top-color=0000FF", "--fr-solid-bottom-color=808080", "--fr-solid-opacity=200",
         // The shell split this one at its blank; the scan glues it back.
         "--wm-text=\"Hello", "World\"", "--wm-font=Arial", "--wm-font-size=9",
         "--wm-font-leading=2", "--wm-font-color=00FF00", "--wm-font-style=bolditalic",
         "--wm-font-effect=underline", "--wm-text-antialiasing", "--wm-text-alignment=center",
         "--wm-text-padding=3", "--wm-text-opacity=128", "--wm-back-color=0000FF",
         "--wm-back-opacity=64", "--wm-text-boundary=frame", "--wm-text-position=topleft",
         "--wm-text-x-offset=-2", "--wm-text-y-offset=5", "--wm-text-rotation=45",
         "--wm-text-size=fixed", "--filename-mask=%filename[u]%-done.%ext%",
         "--file-timestamp=custom", "--file-timestamp-custom=1700000000", "--no-subfolders"},
        e);
    EXPECT_EQ(r.exitCode, 0) << r.out;
    Lines expected = {
        "Preparing...",
        "Input: in/a.pict",
        "Output: out",
        "Conversion: jpg",
        "JPG BPP: 24",
        "JPG Quality: 80",
        "JPG Chroma Subsampling: HIGH",
        "JPG Save As: PROGRESSIVE",
        "Image Rotation Type: ADVANCED",
        "Image Rotation: 90",
        "Image Rotation Back Color: FF0000",
        "Width: 16 PIXELS",
        "Height: 50 PERCENT",
        "Keep Aspect Ratio: 1",
        "Image Resize Type: LARGEIMAGES",
        "Image Resize Algorithm: LANCZOS",
        "Flip Horizontal: 1",
        "Flip Vertical: 1",
        "Brightness: -20",
        "Contrast: 30",
        "Gamma: 2.50",
        "Invert: 1",
        "Greyscale: 1",
        "Image Threshold: 100",
        "Image Dithering Algorithm: BAYER8",
        "Frame: SOLID",
        "Frame left: 1",
        "Frame right: 2",
        "Frame top: 3",
        "Frame bottom: 4",
        "Frame left color: FF0000",
        "Frame right color: 00FF00",
        "Frame top color: 0000FF",
        "Frame bottom color: 808080",
        "Frame opacity: 200",
        "Watermark: TEXT",
        "Watermark text: Hello World",
        "Watermark font: Arial",
        "Watermark font size: 9",
        "Watermark font leading: 2",
        "Watermark font color: 00FF00",
        "Watermark font style: BOLDITALIC",
        "Watermark font effect: UNDERLINE",
        "Watermark text antialiasing: 1",
        "Watermark text alignment: CENTER",
        "Watermark text padding: 3",
        "Watermark text opacity: 128",
        "Watermark background color: 0000FF",
        "Watermark background opacity: 64",
        "Watermark boundary: FRAME",
        "Watermark position: TOPLEFT",
        "Watermark offset (x/y): -2/5",
        "Watermark rotation: 45",
        "Watermark size/mode: FIXED",
        "Filename Mask: %filename[u]%-done.%ext%",
        "File Timestamp: CUSTOM",
        "Custom Timestamp: 1700000000",
        "Keep Subfolders: 0",
        "Importing...",
        "Import complete, new files added: 1",
        "Converting...",
        "Processing: in/a.pict",
        kPictFormat,
        "[OK] Saving As: " + root + "out/A-done.jpg",
        "Conversion complete",
        "Files converted: 1 of 1",
    };
    EXPECT_EQ(AfterBanner(r), expected);
    const std::string output = root + "out/A-done.jpg";
    EXPECT_TRUE(IsJpeg(output));
    struct stat st {};
    ASSERT_EQ(stat(output.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1700000000);
}

struct ErrorCase {
    const char* name;
    Lines args;
    const char* line;
};

TEST_F(CommandLineTest, EachErrorPrintsOneLineAndExitsOne) {
    picture("in/a.pict");
    picture("photos.2020/b.pic"); // a folder, whatever its name says
    dir.write("empty.pic", "");
    dir.write("wm0.png", "");
    dir.write("words.png", "a text file, not a picture\n");
    folder("out");
    const Lines io = {"-i", "in", "-o", "out"};
    const ErrorCase cases[] = {
        {"MissingFile", {"-i", "missing.pic", "-o", "out"}, "Invalid input file"},
        {"EmptyFile", {"-i", "empty.pic", "-o", "out"}, "Invalid input file"},
        {"FolderNamedLikeAFile", {"-i", "photos.2020", "-o", "out"}, "Invalid input file"},
        {"InputAboveTheCurrentFolder", {"-i", "../in", "-o", "out"}, "Incorrect input folder"},
        {"MissingInputFolder", {"-i", "nowhere", "-o", "out"}, "Invalid input folder"},
        {"OutputAboveTheCurrentFolder", {"-i", "in", "-o", "../out"}, "Incorrect output folder"},
        {"MissingOutputFolder", {"-i", "in", "-o", "newout"}, "Invalid output folder"},
        {"ConversionInCapitals", io + Lines{"-c", "JPG"}, "Invalid conversion type"},
        {"ConversionNotOffered", io + Lines{"--conversion=png"}, "Invalid conversion type"},
        {"JpgDepthSeven", io + Lines{"--jpg-bpp=7"}, "Invalid jpg-bpp value"},
        {"JpgDepthOfOtherFormats", io + Lines{"--jpg-bpp=32"}, "Invalid jpg-bpp value"},
        {"QualityZero", io + Lines{"--jpg-quality=0"}, "Invalid jpg-quality value"},
        {"QualityAboveHundred", io + Lines{"--jpg-quality=101"}, "Invalid jpg-quality value"},
        {"WidthAlone", io + Lines{"--width=50"}, "Invalid height value"},
        {"HeightAlone", io + Lines{"--height=50"}, "Invalid width value"},
        {"BrightnessAbove", io + Lines{"--brightness=101"}, "Invalid brightness value"},
        {"BrightnessBelow", io + Lines{"--brightness=-101"}, "Invalid brightness value"},
        {"ContrastAbove", io + Lines{"--contrast=101"}, "Invalid contrast value"},
        {"ContrastBelow", io + Lines{"--contrast=-101"}, "Invalid contrast value"},
        {"GammaTen", io + Lines{"--gamma=10"}, "Invalid gamma value"},
        {"GammaZero", io + Lines{"--gamma=0"}, "Invalid gamma value"},
        {"UnknownFont", io + Lines{"--wm-text=x", "--wm-font=\"No Such Font Family\""},
         "Invalid watermark font"},
        {"MissingWatermarkImage", io + Lines{"--wm-image=missing.png"}, "Invalid watermark image"},
        {"EmptyWatermarkImage", io + Lines{"--wm-image=wm0.png"}, "Invalid watermark image"},
        {"TextAsWatermarkImage", io + Lines{"--wm-image=words.png"}, "Invalid watermark image"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(AfterBanner(r), (Lines{"Preparing...", std::string("Error: ") + c.line}));
    }
    // No failed check got as far as writing anything, nor made the folder
    // it was refused.
    EXPECT_EQ(FilesBelow(root + "out"), Lines{});
    EXPECT_FALSE(fs::exists(root + "newout"));
}

TEST_F(CommandLineTest, ValuesAtTheEdgesOfTheirRangesPass) {
    const std::string input = picture("a.pict");
    const std::string output = folder("out") + "a.jpg";
    const Lines cases[] = {
        {"-c", "jpg"},
        {"--conversion=\"jpg\""},
        {"--jpg-bpp=0"},
        {"--jpg-bpp=8"},
        {"--jpg-bpp=24"},
        {"--jpg-quality=1"},
        {"--jpg-quality=100"},
        {"--brightness=-100", "--contrast=100"},
        {"--brightness=100", "--contrast=-100"},
        {"--gamma=0.01"},
        {"--gamma=9.99"},
        {"--width=4", "--height=3"},
        // Arial is found through the metric-compatible Liberation Sans.
        {"--wm-text=x", "--wm-font=Arial"},
    };
    for (const Lines& extra : cases) {
        std::string trace;
        for (const std::string& a : extra)
            trace += a + " ";
        SCOPED_TRACE(trace);
        fs::remove(output);
        ProgramResult r = run(Lines{"-q", "-i", input, "-o", root + "out"} + extra);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(IsJpeg(output));
    }
}

struct StopCase {
    const char* name;
    Lines args;
    bool quiet;
    Lines lines; // after the banner, or all of them when quiet
};

TEST_F(CommandLineTest, NothingImportedOrNothingConvertedStopsWithTwo) {
    dir.write("none/skip.png", "not taken for its name");
    dir.write("none/zero.pic", "");
    dir.write("none/picture.pic.bak", "not taken either");
    dir.write("none/notes.txt", "a list inside a folder is a plain file");
    dir.write("photo.png", "exists, has bytes, wrong extension");
    dir.write("all-refused.lst", "\xEF\xBB\xBF" + root + "none/skip.png\r\n" + root +
                                     "none/zero.pic\r\n\r\n" + root + "missing.pic\r\n" + root +
                                     "none/notes.txt\r\n" + root + "none\r\n");
    damaged("bad.pic");
    const Lines empty = {"Preparing...", "Importing...", "Import complete, new files added: 0",
                         kStopped, kEmptyInput};
    const Lines failed = {"Preparing...", "Importing...", "Import complete, new files added: 1",
                          "Converting...", kStopped};
    const StopCase cases[] = {
        {"FolderWithoutPictures", {"-i", "none"}, false, empty},
        {"FolderWithoutPicturesQuiet", {"-q", "-i", "none"}, true, {kStopped, kEmptyInput}},
        {"ListOfRefusedEntries", {"-i", "all-refused.lst"}, false, empty},
        {"ListOfRefusedEntriesQuiet",
         {"-i", "all-refused.lst", "-q"},
         true,
         {kStopped, kEmptyInput}},
        {"FileOfAnotherKind", {"-i", "photo.png"}, false, empty},
        {"OnlyFileIsDamaged", {"-i", "bad.pic"}, false, failed},
        {"OnlyFileIsDamagedQuiet", {"-q", "-i", "bad.pic"}, true, {kStopped}},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramResult r = run(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(c.quiet ? r.outLines() : AfterBanner(r), c.lines);
    }
    EXPECT_EQ(FilesBelow(root + "none").size(), 4u);
    EXPECT_FALSE(fs::exists(root + "bad.jpg"));
}

struct WalkCase {
    const char* name;
    Lines extra;
    const char* outputFolder; // below the row's folder; the input folder when empty
    Lines outputs;            // the JPEG files below it
};

TEST_F(CommandLineTest, FolderTreeConvertsInNameOrderAndMirrorsItsSubfolders) {
    const WalkCase cases[] = {
        {"Mirrored", {"-o", "out"}, "out", {"a.jpg", "b.jpg", "c/y/x.jpg", "c/z.jpg", "d.jpg"}},
        {"Flattened",
         {"-o", "out", "--no-subfolders"},
         "out",
         {"a.jpg", "b.jpg", "d.jpg", "x.jpg", "z.jpg"}},
        {"BesideTheInputs", {}, "in", {"a.jpg", "b.jpg", "c/y/x.jpg", "c/z.jpg", "d.jpg"}},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string row = std::string(c.name) + "/";
        for (const char* name : {"d.pic", "b.pic", "a.PCT", "c/z.pict", "c/y/x.Pic"})
            picture(row + "in/" + name);
        dir.write(row + "in/skip.png", "not a picture name");
        dir.write(row + "in/zero.pic", "");
        dir.write(row + "in/pic", "no extension at all");
        dir.write(row + "in/c/x.pic.bak", "an older copy");
        folder(row + "out");
        const std::string in = root + row + "in/";

        ProgramResult r = RunProgram(Lines{"-d", "-i", "in"} + c.extra, env(root + row));
        EXPECT_EQ(r.exitCode, 0);
        Lines body = AfterBanner(r);
        EXPECT_EQ(Starting(body, {"Processing: ", "Import complete", "Files converted"}),
                  (Lines{"Import complete, new files added: 5", "Processing: " + in + "a.PCT",
                         "Processing: " + in + "b.pic", "Processing: " + in + "c/y/x.Pic",
                         "Processing: " + in + "c/z.pict", "Processing: " + in + "d.pic",
                         "Files converted: 5 of 5"}));
        Lines jpegs;
        for (const std::string& file : FilesBelow(root + row + c.outputFolder)) {
            if (file.size() > 4 && file.compare(file.size() - 4, 4, ".jpg") == 0)
                jpegs.push_back(file);
        }
        EXPECT_EQ(jpegs, c.outputs);
        if (c.extra.empty()) {
            EXPECT_EQ(FilesBelow(root + row + "out"), Lines{});
        }
    }
    EXPECT_FALSE(fs::exists(root + "Flattened/out/c"));
}

TEST_F(CommandLineTest, SingleFileWithoutOutputIsSavedBesideIt) {
    picture("sub/a.pict");
    picture("other/B.PICT");
    struct {
        const char* input;
        const char* outputLine;
        const char* saved;
    } cases[] = {
        {"sub/a.pict", "Output: sub/", "sub/a.jpg"},
        {"other/B.PICT", "Output: other/", "other/B.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        ProgramResult r = run({"-d", "-i", c.input});
        EXPECT_EQ(r.exitCode, 0);
        Lines body = AfterBanner(r);
        EXPECT_EQ(LineStarting(body, "Output: "), c.outputLine);
        EXPECT_EQ(LineStarting(body, "[OK] "), "[OK] Saving As: " + root + c.saved);
        EXPECT_TRUE(IsJpeg(root + c.saved));
    }
    // An absolute path needs no current folder, and the output may be elsewhere.
    folder("elsewhere");
    ProgramResult r =
        RunProgram({"-i", root + "sub/a.pict", "-o", root + "elsewhere"}, env(folder("unrelated")));
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(IsJpeg(root + "elsewhere/a.jpg"));
}

struct ListCase {
    const char* name;
    enum { Utf8, Utf8Bom, Utf16Le, Utf16Be } encoding;
    const char* lineEnd;
};

TEST_F(CommandLineTest, ListFilesInEveryEncodingImportTheirEntriesInOrder) {
    // A name outside ASCII, and one beyond the first plane, show that the
    // UTF-16 lists are decoded, not just stripped of their zero bytes.
    const std::string tree = "lists/é 😀/";
    picture("lists/a.pict");
    picture(tree + "b.pic");
    picture(tree + "deeper/c.PCT");
    dir.write("lists/zero.pic", "");
    dir.write("lists/skip.png", "not a picture name");
    folder("out");
    // The folder comes first: the list's order, not the names', decides.
    const Lines entries = {"",
                           root + tree,
                           root + "missing.pic",
                           "  " + root + "lists/a.pict\t ",
                           root + "lists/zero.pic",
                           root + "lists/skip.png",
                           root + "lists/a.pict"};
    const ListCase cases[] = {
        {"list.txt", ListCase::Utf8, "\n"},
        {"list.lst", ListCase::Utf8Bom, "\r\n"},
        {"LIST.TXT", ListCase::Utf16Le, "\r\n"},
        {"list.Lst", ListCase::Utf16Be, "\n"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text;
        for (const std::string& entry : entries)
            text += entry + c.lineEnd;
        text.resize(text.size() - std::string(c.lineEnd).size()); // the last line ends the file
        switch (c.encoding) {
        case ListCase::Utf8:
            break;
        case ListCase::Utf8Bom:
            text = "\xEF\xBB\xBF" + text;
            break;
        case ListCase::Utf16Le:
            text = "\xFF\xFE" + Utf16(text, false);
            break;
        case ListCase::Utf16Be:
            text = "\xFE\xFF" + Utf16(text, true);
            break;
        }
        dir.write(c.name, text);
        ProgramResult r = run({"-d", "-i", c.name, "-o", "out"});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(
            Starting(AfterBanner(r), {"Processing: ", "Import complete", "Files converted"}),
            (Lines{"Import complete, new files added: 3", "Processing: " + root + tree + "b.pic",
                   "Processing: " + root + tree + "deeper/c.PCT",
                   "Processing: " + root + "lists/a.pict", "Files converted: 3 of 3"}));
    }
}

TEST_F(CommandLineTest, RelativeFoldersPreferTheCurrentFolderToTheProgramFolder) {
    // A copy of the program in a folder of the test's own, so that the
    // program folder can hold what the test puts there.
    const std::string program = folder("prog") + "dravik";
    fs::copy_file(DRAVIK_EXE, program);
    const fs::path decoder = fs::path(DRAVIK_EXE).parent_path() / "dravik-pict-decoder";
    if (fs::exists(decoder))
        fs::copy_file(decoder, root + "prog/dravik-pict-decoder");
    const std::string work = folder("work");

    struct {
        const char* name;
        const char* input; // relative, below work/ or prog/ as the row says
        const char* output;
        bool inputInWork, inputInProgram, outputInWork;
    } cases[] = {
        {"BothBelowTheCurrentFolder", "scans1", "jpg1", true, false, true},
        {"InputOnlyBelowTheProgram", "scans2", "jpg2", false, true, true},
        {"InputBelowBothOutputBelowTheProgram", "./scans3", "jpg3", true, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string name = fs::path(c.input).filename().string();
        if (c.inputInWork)
            picture("work/" + name + "/w.pic");
        if (c.inputInProgram)
            picture("prog/" + name + "/p.pic");
        folder((c.outputInWork ? "work/" : "prog/") + std::string(c.output));

        ProgramResult r = RunProgram({"-d", "-i", c.input, "-o", c.output}, env(work), program);
        EXPECT_EQ(r.exitCode, 0) << r.out;
        const std::string in = (c.inputInWork ? work : root + "prog/") + name + "/";
        const std::string out = (c.outputInWork ? work : root + "prog/") + c.output + "/";
        const char* file = c.inputInWork ? "w" : "p";
        EXPECT_EQ(
            Starting(AfterBanner(r), {"Processing: ", "[OK] "}),
            (Lines{"Processing: " + in + file + ".pic", "[OK] Saving As: " + out + file + ".jpg"}));
    }
}

struct ProfileCase {
    const char* name;
    const char* profile; // null: no profile file
    Lines args;          // "PROFILE" stands for --profile=<the file>
    const char* left;
    const char* opacity;
};

TEST_F(CommandLineTest, FrameOpacityHasItsOwnKeyInProfiles) {
    const std::string input = picture("a.pict");
    folder("out");
    const ProfileCase cases[] = {
        {"ProfileKey",
         "[CLI]\r\n--FR-SOLID-LEFT = 2\r\n--WM-SOLID-OPACITY = 77\r\n",
         {"PROFILE"},
         "2",
         "77"},
        {"OptionNameInAProfile",
         "[CLI]\n--fr-solid-left=2\n--FR-SOLID-OPACITY = 77\n",
         {"PROFILE"},
         "2",
         "255"},
        {"OptionName", nullptr, {"--fr-solid-left=2", "--fr-solid-opacity=66"}, "2", "66"},
        {"ProfileKeyAsAnOption",
         nullptr,
         {"--fr-solid-left=2", "--wm-solid-opacity=66"},
         "2",
         "255"},
        {"OptionAfterTheProfile",
         "[CLI]\n--FR-SOLID-LEFT=2\n--WM-SOLID-OPACITY=77\n",
         {"PROFILE", "--FR-SOLID-OPACITY=5"},
         "2",
         "5"},
        {"ProfileAfterTheOption",
         "[CLI]\n--FR-SOLID-LEFT=2\n--WM-SOLID-OPACITY=77\n",
         {"--FR-SOLID-OPACITY=5", "PROFILE"},
         "2",
         "77"},
        {"OtherGroup",
         "[Window]\n--FR-SOLID-LEFT=2\n--WM-SOLID-OPACITY=77\n",
         {"PROFILE", "--fr-solid-top=1"},
         "0",
         "255"},
    };
    for (const ProfileCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string profile = root + c.name + ".ini";
        if (c.profile != nullptr)
            dir.write(std::string(c.name) + ".ini", c.profile);
        Lines args = {"-d", "-i", input, "-o", "out"};
        for (const std::string& a : c.args)
            args.push_back(a == "PROFILE" ? "--profile=" + profile : a);
        ProgramResult r = run(args);
        EXPECT_EQ(r.exitCode, 0) << r.out;
        Lines body = AfterBanner(r);
        EXPECT_EQ(LineStarting(body, "Frame: "), "Frame: SOLID");
        EXPECT_EQ(LineStarting(body, "Frame left: "), std::string("Frame left: ") + c.left);
        EXPECT_EQ(LineStarting(body, "Frame opacity: "),
                  std::string("Frame opacity: ") + c.opacity);
    }
}

} // namespace
} // namespace dravik
