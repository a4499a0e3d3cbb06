// dravik-bench-engine INPUT_DIR OUTPUT_DIR [--overlays TEXT|IMAGE|BOTH]
//                     [--watermark-image PNG] [--stages] [--pipeline DEPTH]
// Converts every PICT of a folder with the engine, one file after the other,
// as a command-line run with default settings does. Prints the wall time in
// seconds, the files converted and found, and the peak resident memory (KB)
// of the program and of its largest helper.
//
// With --overlays the batch also draws a solid frame of 10 pixels on every
// side and a watermark: TEXT is the two-line text "Tolvenor Dravik" /
// "Line two" in Arial, IMAGE is the picture given by --watermark-image.
// One batch of the program draws one kind of watermark; BOTH lays the
// picture watermark over the text one, each through the Overlays of its own
// batch, to show what the two together would cost. Three more fields follow
// then: the seconds spent starting the overlays (font, picture check), in
// the frame step and in the watermark step. Those come from inside the
// process and are not disturbed by the helper processes' start-up, which
// makes the batch-to-batch difference noisy.
//
// --stages prints, after that, one more line: where a file's time goes, in
// seconds for the whole batch: reading (our reader or a helper), the rest of
// the conversion (image steps, overlays, naming, JPEG encoding and writing),
// and within that rest, the JPEG encoding alone, measured by encoding each
// picture once more to memory (not counted in the batch's time).
//
// --pipeline DEPTH converts through the batch's conversion worker instead,
// reading DEPTH pictures ahead on as many threads (0: each in its turn).

#include "batch/conversion_worker.h"
#include "engine/convert_file.h"
#include "engine/overlays/overlays.h"
#include "engine/overlays/watermark_font.h"
#include "engine/save_flags.h"
#include "inputs/session.h"
#include "platform/paths.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <utility>
#include <vector>

using namespace dravik;

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

enum class OverlayMode { None, Text, Image, Both };

std::optional<OverlayMode> ParseMode(const char* text) {
    if (std::strcmp(text, "TEXT") == 0)
        return OverlayMode::Text;
    if (std::strcmp(text, "IMAGE") == 0)
        return OverlayMode::Image;
    if (std::strcmp(text, "BOTH") == 0)
        return OverlayMode::Both;
    return std::nullopt;
}

// Colours that differ per side, so the mitred corners are really drawn
// rather than merged into one fill.
void SetFrame(Settings& settings) {
    Settings::Frame& f = settings.frame;
    f.doFrame = 1;
    f.solidLeft = f.solidRight = f.solidTop = f.solidBottom = 10;
    f.solidLeftColor = "C0392B";
    f.solidRightColor = "2980B9";
    f.solidTopColor = "F1C40F";
    f.solidBottomColor = "27AE60";
}

void SetTextWatermark(Settings& settings) {
    settings.watermark.doWatermark = 1;
    settings.watermark.font = "Arial";
    settings.watermark.text = "Tolvenor Dravik%eol%Line two";
}

void SetImageWatermark(Settings& settings, const std::string& image) {
    settings.watermark.doWatermark = 2;
    settings.watermark.image = image;
}

// Hands the steps on to the batch's Overlays and adds up the time each
// takes, on every thread that calls them. `second`, when set, lays its
// watermark over the first one's.
class TimedOverlays : public OverlaySteps {
  public:
    TimedOverlays(OverlaySteps& first, OverlaySteps* second) : first_(first), second_(second) {}

    Bitmap drawFrame(Bitmap bitmap, int width, int height) override {
        const auto start = Clock::now();
        bitmap = first_.drawFrame(std::move(bitmap), width, height);
        frameSeconds += SecondsSince(start);
        return bitmap;
    }

    Bitmap drawWatermark(Bitmap bitmap, int width, int height, const AppState& state) override {
        const auto start = Clock::now();
        bitmap = first_.drawWatermark(std::move(bitmap), width, height, state);
        if (second_ != nullptr)
            bitmap = second_->drawWatermark(std::move(bitmap), width, height, state);
        watermarkSeconds += SecondsSince(start);
        return bitmap;
    }

    bool watermarkFollowsEarlierFiles(const AppState& state) override {
        return first_.watermarkFollowsEarlierFiles(state) ||
               (second_ != nullptr && second_->watermarkFollowsEarlierFiles(state));
    }

    std::atomic<double> frameSeconds = 0;
    std::atomic<double> watermarkSeconds = 0;

  private:
    OverlaySteps& first_;
    OverlaySteps* second_;
};

// Encodes a 24-bit copy of the picture as the batch's JPEG to memory.
double EncodeSeconds(const Bitmap& bitmap, int flags) {
    Bitmap copy(FreeImage_ConvertTo24Bits(bitmap.get()));
    auto start = Clock::now();
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, copy.get(), memory, flags);
    double seconds = SecondsSince(start);
    FreeImage_CloseMemory(memory);
    return seconds;
}

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s INPUT_DIR OUTPUT_DIR [--overlays TEXT|IMAGE|BOTH] "
                 "[--watermark-image PNG] [--stages] [--pipeline DEPTH]\n",
                 program);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3)
        return Usage(argv[0]);
    OverlayMode mode = OverlayMode::None;
    std::string watermarkImage;
    bool stages = false;
    int pipelineDepth = -1;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--overlays" && i + 1 < argc) {
            std::optional<OverlayMode> parsed = ParseMode(argv[++i]);
            if (!parsed)
                return Usage(argv[0]);
            mode = *parsed;
        } else if (arg == "--pipeline" && i + 1 < argc) {
            pipelineDepth = std::atoi(argv[++i]);
        } else if (arg == "--stages") {
            stages = true;
        } else if (arg == "--watermark-image" && i + 1 < argc) {
            watermarkImage = argv[++i];
        } else {
            return Usage(argv[0]);
        }
    }
    const bool wantsText = mode == OverlayMode::Text || mode == OverlayMode::Both;
    const bool wantsImage = mode == OverlayMode::Image || mode == OverlayMode::Both;
    if (wantsImage && watermarkImage.empty()) {
        std::fprintf(stderr, "%s: --overlays IMAGE and BOTH need --watermark-image\n", argv[0]);
        return 2;
    }

    std::string in = WithTrailingSlash(argv[1]);
    std::vector<std::string> files;
    if (DIR* d = opendir(in.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > 5 && name.substr(name.size() - 5) == ".pict")
                files.push_back(in + name);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());

    Settings settings;
    ApplyDefaults(settings, true, {});
    AppState state;
    PrepareOutputFormat("jpg", settings, state);
    state.outputFolder = WithTrailingSlash(argv[2]);
    ConversionRun run(ProgramFolder());

    // The text batch's settings drive the conversion; in BOTH the picture
    // watermark runs with a copy that differs only in the watermark kind,
    // so its placement sees the same frame.
    if (mode != OverlayMode::None)
        SetFrame(settings);
    if (wantsText)
        SetTextWatermark(settings);
    else if (wantsImage)
        SetImageWatermark(settings, watermarkImage);
    Settings imageSettings = settings;
    if (mode == OverlayMode::Both)
        SetImageWatermark(imageSettings, watermarkImage);

    auto start = Clock::now();
    // What a batch does once before its first file belongs to its cost.
    std::optional<WatermarkFont> font;
    std::unique_ptr<Overlays> overlays;
    std::unique_ptr<Overlays> imageOverlays;
    std::unique_ptr<TimedOverlays> timed;
    double setupSeconds = 0;
    if (mode != OverlayMode::None) {
        if (wantsText) {
            font = WatermarkFont::Load(settings);
            if (!font) {
                std::fprintf(stderr, "%s: font %s not found\n", argv[0],
                             settings.watermark.font.c_str());
                return 2;
            }
        }
        if (wantsImage && !WatermarkImageUsable(watermarkImage)) {
            std::fprintf(stderr, "%s: %s is no usable watermark picture\n", argv[0],
                         watermarkImage.c_str());
            return 2;
        }
        overlays = std::make_unique<Overlays>(settings, font ? &*font : nullptr);
        if (mode == OverlayMode::Both)
            imageOverlays = std::make_unique<Overlays>(imageSettings, nullptr);
        timed = std::make_unique<TimedOverlays>(*overlays, imageOverlays.get());
        run.overlays = timed.get();
        setupSeconds = SecondsSince(start);
    }

    int converted = 0;
    if (pipelineDepth >= 0) {
        // The batch's own worker, reading ahead as deep as asked (0: each
        // picture in its turn).
        InputList inputs;
        for (const std::string& file : files)
            inputs.add(file, "");
        ProgressState progress;
        ConversionJob job{settings, state, inputs, run, progress, nullptr, {}};
        job.readAhead = static_cast<unsigned>(pipelineDepth);
        ConversionWorker(job);
        converted = static_cast<int>(progress.snapshot().count);
    }
    double readSeconds = 0;
    double restSeconds = 0;
    double encodeSeconds = 0;
    double extraSeconds = 0;
    for (const std::string& file : files) {
        if (pipelineDepth >= 0)
            break;
        state.currentInput = file;
        auto fileStart = Clock::now();
        PictureInWork read = ReadPicture(file, run);
        readSeconds += SecondsSince(fileStart);
        auto restStart = Clock::now();
        if (stages && read.bitmap) {
            encodeSeconds += EncodeSeconds(read.bitmap, state.saveFlags);
            // The extra encoding is no part of the batch.
            extraSeconds += SecondsSince(restStart);
            restStart = Clock::now();
        }
        bool ok = ConvertPicture(std::move(read), settings, state, run);
        restSeconds += SecondsSince(restStart);
        if (ok) {
            ++converted;
            state.randomNumber = NewRandomNumber();
            ++state.fileCounter;
        }
    }
    double seconds = SecondsSince(start) - extraSeconds;
    // The program's own peak and that of its largest helper process.
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("%.3f %d %zu %ld %ld", seconds, converted, files.size(), self.ru_maxrss,
                children.ru_maxrss);
    if (timed)
        std::printf(" %.4f %.4f %.4f", setupSeconds, timed->frameSeconds.load(),
                    timed->watermarkSeconds.load());
    std::printf("\n");
    if (stages)
        std::printf("read %.3f s, rest %.3f s, of which JPEG encoding about %.3f s\n", readSeconds,
                    restSeconds, encodeSeconds);
    return converted == static_cast<int>(files.size()) ? 0 : 1;
}
