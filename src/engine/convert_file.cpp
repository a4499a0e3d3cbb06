#include "engine/convert_file.h"

#include "engine/colour.h"
#include "engine/depth.h"
#include "engine/geometry.h"
#include "engine/output_naming.h"
#include "engine/picture_handover.h"
#include "engine/raw_bitmap.h"
#include "pict/pict_reader.h"
#include "platform/process.h"
#include "ui/language_table.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
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

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

// Writes the bitmap to a fresh file beside the output and renames it over
// the output only when FreeImage reports success, so a failed save never
// leaves half a file nor destroys the previous output.
bool SaveAtomically(const Bitmap& bitmap, const AppState& state, unsigned mode) {
    if (!bitmap || state.outputFif < 0)
        return false;
    std::string pattern = FolderOf(state.currentOutput) + ".dravik-XXXXXX";
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    ::fchmod(fd, mode);
    ::close(fd);
    bool ok = FreeImage_Save(static_cast<FREE_IMAGE_FORMAT>(state.outputFif), bitmap.get(),
                             pattern.c_str(), state.saveFlags) != 0;
    if (ok)
        ok = ::rename(pattern.c_str(), state.currentOutput.c_str()) == 0;
    if (!ok)
        ::unlink(pattern.c_str());
    return ok;
}

// Pictures are a few megabytes at most; a file far beyond that is no
// picture this reader should hold in memory.
constexpr off_t kLargestPictFile = off_t{1} << 30;

// Reads the whole file; empty when it cannot be read. `tooLarge` is set for
// files past the limit above.
std::vector<uint8_t> ReadWholeFile(const std::string& path, bool& tooLarge) {
    std::vector<uint8_t> bytes;
    tooLarge = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        if (st.st_size > kLargestPictFile) {
            tooLarge = true;
        } else {
            bytes.resize(static_cast<size_t>(st.st_size));
            size_t got = 0;
            while (got < bytes.size()) {
                ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    break;
                got += static_cast<size_t>(n);
            }
            bytes.resize(got);
        }
    }
    ::close(fd);
    return bytes;
}

std::string ReasonFor(const pict::PictFailure& failure) {
    using K = pict::PictFailureKind;
    switch (failure.kind) {
    case K::NotPict:
        return GetText("Picture", "Not a picture");
    case K::Damaged:
        return SubstituteArgs(GetText("Picture", "Damaged picture"),
                              std::to_string(failure.offset));
    case K::TooLarge:
        return GetText("Picture", "Picture too large");
    case K::NeedsFeature:
        return SubstituteArgs(GetText("Picture", "Picture needs feature"), failure.feature);
    case K::Empty:
        return GetText("Picture", "Empty picture");
    case K::UnsupportedCodec:
        return SubstituteArgs(GetText("Picture", "Unsupported QuickTime codec"), failure.codec);
    }
    return {};
}

// The converter, then FreeImage's reader in its own process.
Bitmap LoadThroughHelpers(const std::string& inputPath, ConversionRun& run) {
    PrivateTempFolder& temp = run.tempFolder();
    if (!temp.ok())
        return {};
    const std::string input = AbsolutePath(inputPath);
    Bitmap bitmap;
    if (!run.converterPath().empty()) {
        const std::string copy = temp.uniquePath(".tga");
        // An absolute input path cannot pass for an option (leading "-") or
        // a format prefix ("pict:"); argv passes blanks and quotes as they are.
        // ImageMagick 6 writes Targa rows top first yet marks them as bottom
        // first; FreeImage believes the mark. Saying top-left makes mark and
        // rows agree on every version.
        RunProcess({run.converterPath(), "-quiet", input, "-colorspace", "sRGB", "-orient",
                    "TopLeft", copy},
                   run.helperTimeoutSeconds);
        if (NonEmptyFile(copy))
            bitmap = Bitmap(FreeImage_Load(FIF_TARGA, copy.c_str(), 0));
        ::unlink(copy.c_str());
    }
    if (!bitmap && !run.decoderPath().empty()) {
        const std::string raw = temp.uniquePath(".raw");
        ProcessResult r = RunProcess({run.decoderPath(), input, raw}, run.helperTimeoutSeconds);
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

Bitmap LoadPicture(const std::string& inputPath, ConversionRun& run) {
    if (!run.ownReader)
        return LoadThroughHelpers(inputPath, run);
    bool tooLarge = false;
    const std::vector<uint8_t> bytes = ReadWholeFile(inputPath, tooLarge);
    pict::PictFailure failure;
    if (tooLarge) {
        failure.kind = pict::PictFailureKind::TooLarge;
    } else {
        pict::PictResult result = pict::ReadPict(bytes);
        if (result.picture) {
            Bitmap bitmap = BitmapFromPicture(*result.picture);
            if (bitmap)
                return bitmap;
            failure.kind = pict::PictFailureKind::TooLarge; // no memory for the hand-over
        } else {
            failure = result.failure;
        }
    }
    using K = pict::PictFailureKind;
    // A file that is no PICT at all may be another format the helpers know;
    // a PICT we cannot draw (yet) may still be drawn by them, but only a
    // picture with something in it counts: they give blank pictures for
    // the drawings they skip. Nor do they read QuickTime images: they would
    // draw the notice that stands in for one.
    if (!failure.noHandOver && (failure.kind == K::NotPict || failure.kind == K::Damaged ||
                                failure.kind == K::NeedsFeature)) {
        Bitmap bitmap = LoadThroughHelpers(inputPath, run);
        if (bitmap && (failure.kind == K::NotPict || !IsBlankBitmap(bitmap)))
            return bitmap;
    }
    run.failureReason = bytes.empty() && !tooLarge && failure.kind == K::NotPict
                            ? GetText("Picture", "Unreadable file")
                            : ReasonFor(failure);
    return {};
}

bool ConvertFile(const Settings& settings, AppState& state, ConversionRun& run) {
    run.failureReason.clear();
    Bitmap bitmap = LoadPicture(state.currentInput, run);
    const int loadedWidth = static_cast<int>(bitmap.width());
    const int loadedHeight = static_cast<int>(bitmap.height());
    state.inputBitDepth = static_cast<int32_t>(bitmap.bpp());
    if (loadedWidth == 0 || loadedHeight == 0)
        return false;

    bitmap = RotateBitmap(std::move(bitmap), loadedWidth, loadedHeight, settings);
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
    state.resultWidth = width;
    state.resultHeight = height;
    state.frameNumber = 1;
    if (run.overlays != nullptr)
        bitmap = run.overlays->drawWatermark(std::move(bitmap), width, height);
    bitmap = ReduceBitDepth(std::move(bitmap), state);

    state.currentOutput = MakeOutputPath(settings, state);
    return SaveAtomically(bitmap, state, run.outputMode);
}

} // namespace dravik
