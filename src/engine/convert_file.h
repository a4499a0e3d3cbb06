// dravik_engine: converting one file: loading, the image steps, output naming, file times,
// format tables, signatures. Builds on settings and platform; never on Qt, the input list, the
// batch or the window. The frame and watermark are engine/overlays, reached through OverlaySteps.
//
// Converting one input file into one output file.
#pragma once

#include "engine/bitmap.h"
#include "platform/temp_folder.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <atomic>
#include <string>

namespace dravik {

// The frame and watermark steps. The engine calls them in their place in
// the chain; a batch installs the real drawing, tests and plain runs may
// leave them out.
class OverlaySteps {
  public:
    virtual ~OverlaySteps() = default;
    virtual Bitmap drawFrame(Bitmap bitmap, int width, int height) = 0;
    virtual Bitmap drawWatermark(Bitmap bitmap, int width, int height) = 0;
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

// What reading one input gives: the picture, or why there is none; and for
// a picture, what it leaves out ("text not drawn"), else empty.
struct PictureRead {
    Bitmap bitmap;
    std::string failureReason;
    std::string partialNote;
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
PictureRead ReadPicture(const std::string& inputPath, ConversionRun& run,
                        const std::atomic<bool>* cancel = nullptr);

// The rest of ConvertFile for a picture read before: the image steps in
// their order, the output name and the save. run.failureReason and
// run.partialNote tell about this file afterwards.
bool ConvertPicture(PictureRead read, const Settings& settings, AppState& state,
                    ConversionRun& run);

// The mask for new files, read once per process.
unsigned DefaultFileMode();

} // namespace dravik
