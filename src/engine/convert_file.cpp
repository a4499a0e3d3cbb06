#include "engine/convert_file.h"

#include "engine/colour.h"
#include "engine/depth.h"
#include "engine/geometry.h"
#include "engine/output_naming.h"
#include "engine/picture_handover.h"
#include "engine/raw_bitmap.h"
#include "pict/pict_reader.h"
#include "platform/process.h"
#include "platform/stop_signals.h"
#include "settings/ini_file.h"
#include "texts/language_table.h"

#include <climits>
#include <cstdint>
#include <sys/stat.h>
#include <unistd.h>

namespace dravik {
namespace {

constexpr const char* kDecoderName = "dravik-pict-decoder";

std::string AbsolutePath(const std::string& path) {
    if (!path.empty() && path.front() == '/')
        return path;
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return path;
    std::string base = cwd;
    if (base.empty() || base.back() != '/')
        base += '/';
    return base + path;
}

bool NonEmptyFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

std::string Reason(const char* key) {
    return GetText("Console", key);
}

std::string CannotWrite(const std::string& path, const std::string& why) {
    return FillArgs(Reason("Cannot write"), path, why);
}

// Pictures are a few megabytes at most; a file far beyond that is no
// picture this reader should hold in memory.
constexpr uint64_t kLargestPictFile = uint64_t{1} << 30;

// The whole file (a regular one only: a FIFO must not block the batch);
// empty when it cannot be read. `tooLarge` is set for files past the limit.
std::string ReadPictFile(const std::string& path, bool& tooLarge) {
    struct stat st {};
    tooLarge =
        ::stat(path.c_str(), &st) == 0 && static_cast<uint64_t>(st.st_size) > kLargestPictFile;
    if (tooLarge)
        return {};
    return ReadSmallFile(path, kLargestPictFile).value_or(std::string());
}

std::string ReasonFor(const pict::PictFailure& failure) {
    using K = pict::PictFailureKind;
    switch (failure.kind) {
    case K::NotPict:
        return Reason("Unreadable picture");
    case K::Damaged:
        return FillArgs(Reason("Damaged picture"), std::to_string(failure.offset));
    case K::TooLarge:
        if (failure.width > 0 && failure.height > 0)
            return FillArgs(Reason("Picture too large size"), std::to_string(failure.width),
                            std::to_string(failure.height));
        return Reason("Picture too large");
    case K::NeedsFeature:
        return FillArgs(Reason("Picture needs feature"), failure.feature);
    case K::Empty:
        return Reason("Empty picture");
    case K::UnsupportedCodec:
        return FillArgs(Reason("Unsupported QuickTime codec"), failure.codec);
    }
    return {};
}

// The converter, then FreeImage's reader in its own process. `timedOut` is
// set when either was stopped for taking too long.
Bitmap LoadThroughHelpers(const std::string& inputPath, ConversionRun& run, bool& timedOut,
                          const std::atomic<bool>* cancel) {
    PrivateTempFolder& temp = run.tempFolder();
    if (!temp.ok())
        return {};
    const std::string input = AbsolutePath(inputPath);
    Bitmap bitmap;
    timedOut = false;
    if (!run.converterPath().empty()) {
        const std::string copy = temp.uniquePath(".tga");
        // The input is read as a PICT and nothing else: left to guess from
        // the content, ImageMagick would hand a file named .pic to any of
        // its readers (SVG and MVG among them, which fetch other files).
        // After the prefix the path is absolute, so it cannot pass for an
        // option or another prefix; argv passes blanks and quotes as they
        // are. ImageMagick 6 writes Targa rows top first yet marks them as
        // bottom first; FreeImage believes the mark. Saying top-left makes
        // mark and rows agree on every version.
        ProcessResult r = RunProcess({run.converterPath(), "-quiet", "pict:" + input, "-colorspace",
                                      "sRGB", "-orient", "TopLeft", copy},
                                     run.helperTimeoutSeconds, cancel);
        timedOut = r.timedOut;
        // A converter cut short leaves half a Targa, which would load as a
        // picture with its lower part missing. Warnings give a non-zero
        // code with a whole copy, so only the way it ended counts.
        if (r.exited && NonEmptyFile(copy))
            bitmap = Bitmap(FreeImage_Load(FIF_TARGA, copy.c_str(), 0));
        ::unlink(copy.c_str());
    }
    if (!bitmap && !run.decoderPath().empty() && CaughtStopSignal() == 0) {
        const std::string raw = temp.uniquePath(".raw");
        ProcessResult r =
            RunProcess({run.decoderPath(), input, raw}, run.helperTimeoutSeconds, cancel);
        timedOut = timedOut || r.timedOut;
        if (r.exited && r.exitCode == 0)
            bitmap = ReadRawBitmap(raw);
        ::unlink(raw.c_str());
    }
    return bitmap;
}

} // namespace

unsigned DefaultFileMode() {
    static const unsigned mode = [] {
        mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<unsigned>(0666 & ~mask);
    }();
    return mode;
}

ConversionRun::ConversionRun(const std::string& programFolder)
    : converter_(FindProgram("convert", programFolder)),
      decoder_(IsExecutableFile(programFolder + kDecoderName) ? programFolder + kDecoderName
                                                              : std::string()) {
    outputMode = DefaultFileMode();
}

ConversionRun::ConversionRun(std::string converterPath, std::string decoderPath)
    : converter_(std::move(converterPath)), decoder_(std::move(decoderPath)) {
    outputMode = DefaultFileMode();
}

PictureInWork ReadPicture(const std::string& inputPath, ConversionRun& run,
                          const std::atomic<bool>* cancel) {
    PictureInWork read;
    bool timedOut = false;
    Bitmap& bitmap = read.bitmap;
    if (!run.ownReader) {
        bitmap = LoadThroughHelpers(inputPath, run, timedOut, cancel);
    } else {
        bool tooLarge = false;
        const std::string bytes = ReadPictFile(inputPath, tooLarge);
        pict::PictFailure failure;
        if (tooLarge) {
            failure.kind = pict::PictFailureKind::TooLarge;
        } else {
            pict::PictResult result =
                pict::ReadPict({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
            if (result.picture) {
                bitmap = BitmapFromPicture(*result.picture);
                if (bitmap && result.textLeftOut)
                    read.partialNote = GetText("Console", "Text not drawn");
                if (bitmap)
                    return read;
                failure.kind = pict::PictFailureKind::TooLarge; // no memory for the hand-over
                failure.width = result.picture->width;
                failure.height = result.picture->height;
            } else {
                failure = result.failure;
            }
        }
        using K = pict::PictFailureKind;
        // A file that is no PICT at all may be another format the helpers
        // know; a PICT we cannot draw (yet) may still be drawn by them, but
        // only a picture with something in it counts: they give blank
        // pictures for the drawings they skip. Nor do they read QuickTime
        // images: they would draw the notice that stands in for one.
        if (!failure.noHandOver && (failure.kind == K::NotPict || failure.kind == K::Damaged ||
                                    failure.kind == K::NeedsFeature)) {
            bitmap = LoadThroughHelpers(inputPath, run, timedOut, cancel);
            if (bitmap && failure.kind != K::NotPict && IsBlankBitmap(bitmap))
                bitmap.reset();
        }
        if (bitmap)
            return read;
        // What our reader found in a PICT says more than a helper's
        // silence; of a file that is no PICT, nothing more is known.
        if (failure.kind != K::NotPict)
            read.failureReason = ReasonFor(failure);
    }
    if (!bitmap && read.failureReason.empty()) {
        read.failureReason = timedOut ? FillArgs(Reason("Reader timed out"),
                                                 std::to_string(run.helperTimeoutSeconds))
                                      : Reason("Unreadable picture");
    }
    return read;
}

bool ConvertFile(const Settings& settings, AppState& state, ConversionRun& run) {
    return ConvertPicture(ReadPicture(state.currentInput, run), settings, state, run);
}

namespace {

// Read to Framed: the steps that depend on the settings alone.
void ApplyImageSteps(PictureInWork& picture, const Settings& settings, ConversionRun& run) {
    Bitmap bitmap = std::move(picture.bitmap);
    picture.inputBitDepth = static_cast<int32_t>(bitmap.bpp());
    bitmap = RotateBitmap(std::move(bitmap), static_cast<int>(bitmap.width()),
                          static_cast<int>(bitmap.height()), settings);
    bitmap = RescaleBitmap(std::move(bitmap), static_cast<int>(bitmap.width()),
                           static_cast<int>(bitmap.height()), settings);
    const int width = static_cast<int>(bitmap.width());
    const int height = static_cast<int>(bitmap.height());
    FlipBitmap(bitmap, settings);
    bitmap = AdjustBitmapColors(std::move(bitmap), settings);
    bitmap = GreyscaleBitmap(std::move(bitmap), settings);
    bitmap = ThresholdBitmap(std::move(bitmap), settings);
    bitmap = DitherBitmap(std::move(bitmap), settings);
    if (run.overlays != nullptr)
        bitmap = run.overlays->drawFrame(std::move(bitmap), width, height);
    picture.bitmap = std::move(bitmap);
    picture.resultWidth = width;
    picture.resultHeight = height;
    picture.stage = PictureStage::Framed;
}

// What the watermark text and the output name may show of a framed picture.
void TakeFileValues(const PictureInWork& picture, AppState& state) {
    state.inputBitDepth = picture.inputBitDepth;
    state.resultWidth = picture.resultWidth;
    state.resultHeight = picture.resultHeight;
    state.frameNumber = 1;
}

// Framed to Encoded, with the values of the file in `state`; sets
// state.outputBitDepth as the depth step chooses it.
void FinishPicture(PictureInWork& picture, AppState& state, ConversionRun& run) {
    Bitmap bitmap = std::move(picture.bitmap);
    if (run.overlays != nullptr)
        bitmap = run.overlays->drawWatermark(std::move(bitmap), picture.resultWidth,
                                             picture.resultHeight, state);
    bitmap = ReduceBitDepth(std::move(bitmap), state);
    picture.outputBitDepth = state.outputBitDepth;
    picture.encoded = EncodeImage(bitmap, state.outputFif, state.saveFlags);
    picture.encoderRefused = !picture.encoded && bitmap && state.outputFif >= 0;
    picture.stage = PictureStage::Encoded;
}

} // namespace

void PreparePicture(PictureInWork& picture, const Settings& settings, const AppState& state,
                    ConversionRun& run) {
    if (picture.stage == PictureStage::Read) {
        // A picture that is not there is reported in its turn.
        if (picture.bitmap.width() == 0 || picture.bitmap.height() == 0)
            return;
        ApplyImageSteps(picture, settings, run);
    }
    if (picture.stage != PictureStage::Framed)
        return;
    AppState values = state;
    TakeFileValues(picture, values);
    if (run.overlays != nullptr && run.overlays->watermarkFollowsEarlierFiles(values))
        return;
    FinishPicture(picture, values, run);
}

bool ConvertPicture(PictureInWork picture, const Settings& settings, AppState& state,
                    ConversionRun& run) {
    run.failureReason = std::move(picture.failureReason);
    run.partialNote = std::move(picture.partialNote);
    if (picture.stage == PictureStage::Read) {
        state.inputBitDepth = static_cast<int32_t>(picture.bitmap.bpp());
        if (picture.bitmap.width() == 0 || picture.bitmap.height() == 0) {
            if (run.failureReason.empty())
                run.failureReason = Reason("Unreadable picture");
            return false;
        }
        ApplyImageSteps(picture, settings, run);
    }
    TakeFileValues(picture, state);
    if (picture.stage == PictureStage::Framed)
        FinishPicture(picture, state, run);
    state.outputBitDepth = picture.outputBitDepth;

    state.currentOutput = MakeOutputPath(settings, state);
    if (!picture.encoded) {
        run.failureReason = picture.encoderRefused
                                ? CannotWrite(state.currentOutput, Reason("Encoder refused"))
                                : Reason("Processing failed");
        return false;
    }
    std::string why;
    if (!WriteFileAtomically(state.currentOutput, picture.encoded, run.outputMode, why)) {
        run.failureReason = CannotWrite(state.currentOutput, why);
        return false;
    }
    return true;
}

} // namespace dravik
