#include "batch/conversion_worker.h"
#include "batch/read_ahead.h"

#include "engine/overlays/overlays.h"
#include "engine/overlays/watermark_font.h"
#include "engine/save_flags.h"
#include "inputs/session.h"
#include "platform/paths.h"
#include "support/pict_writer.h"
#include "support/temp_dir.h"
#include "texts/language_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <thread>

namespace dravik {
namespace {

using test::Rgb;
using test::TempDir;

// The lines a detailed command-line run prints; `onLine` may act on the run
// while it goes on, as a user would.
class Lines : public Console {
  public:
    void printLine(const std::string& line) override {
        lines.push_back(line);
        if (onLine)
            onLine(line);
    }
    void waitForKey() override {}
    std::vector<std::string> lines;
    std::function<void(const std::string&)> onLine;
};

std::vector<std::string> Numbers(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Each picture its own colour, so a picture saved under another file's
// name shows in the bytes.
std::string NumberedPict(int i) {
    const auto shade = static_cast<uint8_t>(i * 8);
    return test::MakePict(24, 16, [shade](int x, int) {
        return x < 12 ? Rgb{shade, 40, 200} : Rgb{200, shade, 40};
    });
}

class ConversionWorkerTest : public testing::Test {
  protected:
    TempDir dir;
    Settings settings;
    InputList inputs;

    void SetUp() override {
        LoadLanguageTable();
        ApplyDefaults(settings, true, {});
        settings.advanced.filenameMask = "%n%_%rnd%.%ext%";
    }

    void addPictures(int count, int damagedAt = -1, const std::string& stem = "in") {
        mkdir(dir.file("in").c_str(), 0755);
        for (int i = 1; i <= count; ++i) {
            const std::string name = "in/" + stem + std::to_string(100 + i) + ".pict";
            inputs.add(dir.write(name, i == damagedAt ? std::string(600, '\x11') : NumberedPict(i)),
                       "");
        }
    }

    struct Outcome {
        std::vector<std::string> lines;   // with the output folder as "OUT/"
        std::vector<std::string> notices; // the same
        std::vector<std::string> outputs; // names and bytes
        int64_t count = 0;
    };

    // A detailed command-line run into a folder of its own, with a seeded
    // random sequence.
    Outcome convert(const std::string& outName, unsigned readAhead, ConversionRun& run,
                    const std::function<void(const std::string&, ProgressState&)>& onLine = {}) {
        const std::string out = dir.file(outName) + "/";
        mkdir(out.c_str(), 0755);
        AppState state;
        state.inputGiven = 1;
        state.runModeTag = "DEBUG";
        state.outputFolder = out;
        state.randomNumber = 4711;
        EXPECT_TRUE(PrepareOutputFormat("jpg", settings, state));
        ProgressState progress;
        Lines report;
        if (onLine)
            report.onLine = [&](const std::string& line) { onLine(line, progress); };
        Outcome outcome;
        ConversionJob job{settings, state, inputs, run, progress, &report, {}};
        job.notice = [&](const std::string& line) { outcome.notices.push_back(line); };
        job.readAhead = readAhead;
        SeedRandomNumbers(20261209);
        ConversionWorker(job);
        auto plain = [&out](std::string line) {
            for (size_t at; (at = line.find(out)) != std::string::npos;)
                line.replace(at, out.size(), "OUT/");
            return line;
        };
        for (const std::string& line : report.lines)
            outcome.lines.push_back(plain(line));
        for (std::string& line : outcome.notices)
            line = plain(line);
        for (const std::string& name : test::NamesIn(out))
            outcome.outputs.push_back(name + " " + test::ReadFileText(out + name));
        outcome.count = progress.snapshot().count;
        return outcome;
    }

    // A decoder that logs each file it is started for, counts how many of
    // its kind run at that moment, and takes its time; pictures named
    // "slow" it keeps for 20 s.
    std::string countingDecoder() {
        mkdir(dir.file("running").c_str(), 0755);
        const std::string script =
            dir.write("decoder", "#!/bin/sh\n"
                                 "echo \"$1\" >> '" +
                                     dir.file("started") +
                                     "'\n"
                                     "touch '" +
                                     dir.file("running") +
                                     "'/$$\n"
                                     "ls '" +
                                     dir.file("running") + "' | wc -l >> '" + dir.file("counts") +
                                     "'\n"
                                     "case \"$1\" in *slow*) sleep 20;; *) sleep 0.2;; esac\n"
                                     "rm '" +
                                     dir.file("running") +
                                     "'/$$\n"
                                     "exec '" +
                                     ProgramFolder() + "dravik-pict-decoder' \"$@\"\n");
        chmod(script.c_str(), 0755);
        return script;
    }
};

// The same batch read in turn and read ahead, by one reader, by as many as
// this machine has cores and by more: the same lines, notices, names
// (running number and random number alike) and bytes, the damaged file
// reported at its turn. With few readers the worker often reads a picture
// itself when no reader has begun it yet.
TEST_F(ConversionWorkerTest, ReadingAheadChangesNoLineNameOrByte) {
    addPictures(30, 15);
    ConversionRun inTurnRun("", "");
    Outcome inTurn = convert("in-turn", 0, inTurnRun);
    ASSERT_EQ(inTurn.count, 29);
    ASSERT_EQ(inTurn.outputs.size(), 29u);
    EXPECT_EQ(inTurn.lines.size(), 90u);
    EXPECT_EQ(inTurn.lines[44], "[ERROR] Unable to convert the file!");
    EXPECT_EQ(inTurn.lines[2], "[OK] Saving As: OUT/00001_04711.jpg");
    ASSERT_EQ(inTurn.notices.size(), 1u);
    EXPECT_NE(inTurn.notices[0].find("in115.pict"), std::string::npos);

    for (unsigned depth : {1u, 2u, 5u}) {
        SCOPED_TRACE("reading " + std::to_string(depth) + " ahead");
        ConversionRun aheadRun("", "");
        Outcome ahead = convert("ahead" + std::to_string(depth), depth, aheadRun);
        EXPECT_EQ(ahead.count, inTurn.count);
        EXPECT_EQ(ahead.lines, inTurn.lines);
        EXPECT_EQ(ahead.notices, inTurn.notices);
        EXPECT_TRUE(ahead.outputs == inTurn.outputs) << "names or bytes differ";
    }
}

// Frames and text watermarks drawn on the readers' threads, sharing the
// batch's kept frame and overlay, with pictures of two sizes taking turns:
// the same names and bytes as in turn, whether the text lets the pictures
// be finished ahead or (counting the files) only in their turn.
TEST_F(ConversionWorkerTest, OverlaysDrawnAheadChangeNoNameOrByte) {
    mkdir(dir.file("in").c_str(), 0755);
    for (int i = 1; i <= 16; ++i) {
        const int w = i % 2 == 0 ? 48 : 40;
        inputs.add(dir.write("in/" + std::to_string(100 + i) + ".pict",
                             i == 9 ? std::string(600, '\x11')
                                    : test::MakeSolidPict(
                                          w, 36, Rgb{static_cast<uint8_t>(i * 9), 90, 160})),
                   "");
    }
    Settings::Frame& frame = settings.frame;
    frame.doFrame = 1;
    frame.solidLeft = frame.solidRight = frame.solidTop = frame.solidBottom = 3;
    frame.solidLeftColor = frame.solidTopColor = "C0392B";
    frame.solidRightColor = frame.solidBottomColor = "2980B9";
    settings.watermark.doWatermark = 1;
    settings.watermark.font = "Liberation Sans";
    std::optional<WatermarkFont> font = WatermarkFont::Load(settings);
    ASSERT_TRUE(font);
    for (const char* text : {"Dravik", "%n% of %rnd%"}) {
        SCOPED_TRACE(text);
        settings.watermark.text = text;
        ConversionRun inTurnRun("", "");
        Overlays inTurnOverlays(settings, &*font);
        inTurnRun.overlays = &inTurnOverlays;
        Outcome inTurn = convert(std::string("in-turn ") + text, 0, inTurnRun);
        ASSERT_EQ(inTurn.count, 15);
        for (unsigned depth : {2u, 3u}) {
            ConversionRun aheadRun("", "");
            Overlays aheadOverlays(settings, &*font);
            aheadRun.overlays = &aheadOverlays;
            Outcome ahead = convert("ahead " + std::to_string(depth) + text, depth, aheadRun);
            EXPECT_EQ(ahead.lines, inTurn.lines) << depth;
            EXPECT_TRUE(ahead.outputs == inTurn.outputs) << depth << ": names or bytes differ";
        }
    }
}

// What the readers finish: the output's bytes when nothing in the picture
// depends on the files before it (a file name holding a placeholder is
// still just a name); the framed picture, to be marked in its turn, when
// the watermark counts the files or shows the random number; nothing for a
// file they could not read.
TEST_F(ConversionWorkerTest, ReadersFinishWhatTheEarlierFilesCannotChange) {
    mkdir(dir.file("in").c_str(), 0755);
    for (const char* name : {"plain.pict", "odd%n%.pict"})
        inputs.add(dir.write(std::string("in/") + name, NumberedPict(3)), "");
    inputs.add(dir.write("in/broken.pict", "not a picture"), "");
    settings.frame.doFrame = 1;
    settings.watermark.doWatermark = 1;
    settings.watermark.font = "Liberation Sans";
    std::optional<WatermarkFont> font = WatermarkFont::Load(settings);
    ASSERT_TRUE(font);
    AppState state;
    ASSERT_TRUE(PrepareOutputFormat("jpg", settings, state));
    ConversionRun run("", "");
    Overlays overlays(settings, &*font);
    run.overlays = &overlays;
    auto stages = [&](const std::string& text) {
        settings.watermark.text = text;
        ReadAhead ahead(inputs.entries(), run, 3, [&](PictureInWork& picture, size_t i) {
            AppState file = state;
            file.currentInput = inputs.entries()[i].path;
            PreparePicture(picture, settings, file, run);
        });
        std::vector<PictureStage> got;
        for (size_t i = 0; i < inputs.size(); ++i) {
            PictureInWork picture = ahead.take(i);
            got.push_back(picture.stage);
            EXPECT_EQ(static_cast<bool>(picture.encoded), picture.stage == PictureStage::Encoded);
        }
        return got;
    };
    using S = PictureStage;
    EXPECT_EQ(stages("Dravik %width%"), (std::vector{S::Encoded, S::Encoded, S::Read}));
    EXPECT_EQ(stages("Dravik %filename%"), (std::vector{S::Encoded, S::Encoded, S::Read}));
    EXPECT_EQ(stages("No. %N%"), (std::vector{S::Framed, S::Framed, S::Read}));
    EXPECT_EQ(stages("%filename% %Rnd%"), (std::vector{S::Framed, S::Framed, S::Read}));
}

// Stopped after the fifth file, with the next ones read ahead: exactly five
// outputs, nothing of the others left in the output or the temp folder.
// The helper busy with a picture read ahead is ended rather than waited for.
TEST_F(ConversionWorkerTest, StopAfterFifthFileLeavesFiveOutputsAndNoTrace) {
    addPictures(5);
    addPictures(7, -1, "slow");
    ConversionRun run("", countingDecoder());
    run.ownReader = false;
    const std::string temp = run.tempFolder().path();
    int saved = 0;
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome = convert("out", 3, run, [&saved](const std::string& line, ProgressState& p) {
        if (line.rfind("[OK] ", 0) == 0 && ++saved == 5)
            p.stop();
    });
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);

    EXPECT_EQ(outcome.count, 5);
    EXPECT_EQ(outcome.outputs.size(), 5u);
    EXPECT_EQ(outcome.lines.back().rfind("[OK] Saving As: OUT/00005_", 0), 0u)
        << outcome.lines.back();
    EXPECT_TRUE(test::NamesIn(temp).empty()) << "a helper's copy was left behind";
    EXPECT_LT(seconds.count(), 10) << "the run waited for a helper nobody needed";
}

// Helpers read ahead too, as many at once as the depth and never more; a
// picture a helper read is converted like one read in turn.
TEST_F(ConversionWorkerTest, HelpersRunAheadUpToTheDepth) {
    addPictures(8);
    ConversionRun run("", countingDecoder());
    run.ownReader = false;
    Outcome outcome = convert("out", 3, run);

    EXPECT_EQ(outcome.count, 8);
    std::vector<std::string> counts = Numbers(dir.file("counts"));
    ASSERT_EQ(counts.size(), 8u);
    int most = 0;
    for (const std::string& n : counts)
        most = std::max(most, std::stoi(n));
    EXPECT_LE(most, 3);
    EXPECT_GE(most, 2) << "the helpers never ran side by side";
}

// Nothing taken: the readers read exactly as many pictures as the depth
// allows and wait; each picture taken lets one more be read. Taken in order,
// each picture is its own entry's.
TEST_F(ConversionWorkerTest, ReadAheadHoldsNoMoreThanItsDepth) {
    addPictures(6, 2);
    ConversionRun run("", countingDecoder());
    run.ownReader = false;
    ReadAhead ahead(inputs.entries(), run, 2);
    auto startedAfter = [this](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return Numbers(dir.file("started")).size();
    };
    EXPECT_EQ(startedAfter(900), 2u);
    PictureInWork first = ahead.take(0);
    EXPECT_EQ(first.bitmap.width(), 24u);
    EXPECT_EQ(startedAfter(600), 3u);
    PictureInWork damaged = ahead.take(1);
    EXPECT_FALSE(damaged.bitmap);
    EXPECT_FALSE(damaged.failureReason.empty());
    EXPECT_EQ(ahead.take(2).bitmap.height(), 16u);
}

// Pictures no reader has begun are read by the one who takes them, each
// its own entry's, in order: with no reader at all, and with one reader
// that cannot keep up with a depth of three.
TEST_F(ConversionWorkerTest, PicturesNoReaderBeganAreReadWhenTaken) {
    mkdir(dir.file("in").c_str(), 0755);
    for (int i = 1; i <= 6; ++i)
        inputs.add(
            dir.write("in/" + std::to_string(i) + ".pict", test::MakeSolidPict(i, 2, Rgb{0, 0, 0})),
            "");
    ConversionRun run("", "");
    for (unsigned readers : {0u, 1u}) {
        ReadAhead ahead(inputs.entries(), run, 3, readers);
        for (size_t i = 0; i < inputs.size(); ++i)
            EXPECT_EQ(ahead.take(i).bitmap.width(), i + 1) << readers << " readers";
    }
}

} // namespace
} // namespace dravik
