// dravik_engine: converting one file: loading, the image steps, output naming, file times,
// format tables, signatures. Builds on settings and platform; never on Qt, the input list, the
// batch or the window. The frame and watermark are engine/overlays, reached through OverlaySteps.
//
// Converting one input file into one output file.
#pragma once

#include "engine/bitmap.h"
#include "engine/encoding.h"
#include "platform/temp_folder.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace dravik {

// The frame and watermark steps. The engine calls them in their place in
// the chain; a batch installs the real drawing, tests and plain runs may
// leave them out. Pictures are prepared on several threads at once, so the
// steps must allow calls from several threads at once.
class OverlaySteps {
  public:
    virtual ~OverlaySteps() = default;
    virtual Bitmap drawFrame(Bitmap bitmap, int width, int height) = 0;
    // `state` holds the values of the file in work for the watermark text.
    virtual Bitmap drawWatermark(Bitmap bitmap, int width, int height, const AppState& state) = 0;
    // True when the watermark of the file in `state` depends on the files
    // converted before it: its text counts them or shows the random number
    // drawn after each. Such a watermark can only be drawn in its turn.
    virtual bool watermarkFollowsEarlierFiles(const AppState& state) = 0;
};

// What stays the same for every file of a batch: where the intermediate
// copies go, which helpers load the pictures, and the overlays.
class ConversionRun {
  public:
    // Looks up the converter ("convert", in the program's folder, then on
    // PATH) and the isolated PICT decoder beside the program.
    explicit ConversionRun(const std::string& programFolder);
    // Explicit helpers, for tests; an empty path means "none".
    ConversionRun(std::string converterPath, std::string decoderPath);

    const std::string& converterPath() const { return converter_; }
    const std::string& decoderPath() const { return decoder_; }
    PrivateTempFolder& tempFolder() { return temp_; }
    OverlaySteps* overlays = nullptr;
    // Longest time a helper may take for one file.
    int helperTimeoutSeconds = 120;
    // Permission bits a new output file gets (0666 less the umask).
    unsigned outputMode = 0644;
    // Our own PICT reader reads first; tests of the helpers turn it off.
    bool ownReader = true;
    // Why the last ConvertFile that returned false failed, in words for a
    // person ("the picture is damaged (truncated at byte 812)"); empty after
    // a success.
    std::string failureReason;
    // What the last ConvertFile that succeeded left out of the picture, in
    // words for a person ("text not drawn"); empty for a whole picture.
    std::string partialNote;

  private:
    std::string converter_;
    std::string decoder_;
    PrivateTempFolder temp_;
};

// How far a picture has come on its way to its output file.
enum class PictureStage {
    Read,    // as loaded (or not loaded: see failureReason)
    Framed,  // the image steps and the frame are done
    Encoded, // the watermark is drawn and the output file's bytes are made
};

// One input's picture between reading and writing. Every stage but the
// last may be done ahead, on any thread; naming and writing are done in
// list order.
struct PictureInWork {
    Bitmap bitmap; // empty once encoded
    // Why there is no picture, else empty.
    std::string failureReason;
    // What the picture leaves out ("text not drawn"), else empty.
    std::string partialNote;
    PictureStage stage = PictureStage::Read;
    // From Framed on: what the file's name and watermark may show.
    int32_t inputBitDepth = 0;
    int32_t resultWidth = 0;
    int32_t resultHeight = 0;
    // Once encoded: the depth written, and the output's bytes, empty when
    // an image step failed or the encoder refused the picture.
    int32_t outputBitDepth = 0;
    EncodedImage encoded;
    bool encoderRefused = false;
};

// Loads state.currentInput, runs every image step, names and saves the
// output (state.currentOutput). True when the output was written. Never
// leaves an intermediate file or a partial output behind; an existing
// output is replaced only by a complete new one. The same as ConvertPicture
// of ReadPicture.
bool ConvertFile(const Settings& settings, AppState& state, ConversionRun& run);

// Reads a picture the way ConvertFile does: through our own PICT reader,
// else the converter, else the isolated PICT decoder. Without a bitmap the
// reason says why. No helper is started once a stop signal has been caught.
// Of `run` it only reads the helpers and names files in its temp folder, so
// several threads may read pictures for one run at once. A set `cancel`
// ends a running helper at once: nobody wants the picture any more.
PictureInWork ReadPicture(const std::string& inputPath, ConversionRun& run,
                          const std::atomic<bool>* cancel = nullptr);

// Takes a picture read for state.currentInput as far as it can go without
// knowing the files converted before it: the image steps and the frame,
// then, unless the watermark follows the earlier files, the watermark, the
// output depth and the encoding. Reads `state` (the batch's output format
// and the file's input) and the run's overlays only, so several threads may
// prepare pictures of one run at once.
void PreparePicture(PictureInWork& picture, const Settings& settings, const AppState& state,
                    ConversionRun& run);

// The rest of ConvertFile for a picture read (and perhaps prepared) before:
// the steps still to do, the output name and the write. run.failureReason
// and run.partialNote tell about this file afterwards.
bool ConvertPicture(PictureInWork picture, const Settings& settings, AppState& state,
                    ConversionRun& run);

// The mask for new files, read once per process.
unsigned DefaultFileMode();

} // namespace dravik
