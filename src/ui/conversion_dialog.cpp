#include "ui/conversion_dialog.h"

#include "batch/batch_tools.h"
#include "batch/conversion_worker.h"
#include "batch/option_scan.h"
#include "batch/output_history.h"
#include "engine/overlays/watermark.h"
#include "engine/overlays/watermark_font.h"
#include "engine/save_flags.h"
#include "platform/paths.h"
#include "texts/language_table.h"
#include "texts/message_boxes.h"
#include "ui/conversion_progress_dialog.h"
#include "ui/main_window_hooks.h"
#include "ui/window_context.h"

#include <sys/stat.h>

#include <optional>
#include <string>
#include <utility>

namespace dravik {
namespace {

constexpr uint8_t kTextWatermark = 1;
constexpr uint8_t kPictureWatermark = 2;

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The format list's choice lives in Output/Format; anything this build does
// not write falls back to the first format it does.
std::string ChosenExtension(const Settings& settings) {
    for (const std::string& extension : PrimaryOutputFormats())
        if (extension == settings.output.format)
            return extension;
    return PrimaryOutputFormats().front();
}

struct CheckInput {
    const WindowContext& ctx;
    const std::string& folder; // ends in "/" unless empty
    std::optional<WatermarkFont>& font;
};

struct StartCheck {
    bool (*fails)(CheckInput& in);
    const char* messageKey;
    std::string (*argument)(const CheckInput& in);
    // Whether the status bar says the run stopped before the warning.
    bool stoppedStatus;
};

std::string NoArgument(const CheckInput&) {
    return {};
}

// In the order the user fixes them: what to convert, where to, then the
// options that would spoil every file.
const StartCheck kStartChecks[] = {
    {[](CheckInput& in) { return in.ctx.session.inputs.empty(); }, "Empty input files", NoArgument,
     true},
    {[](CheckInput& in) { return in.folder.empty(); }, "Empty output folder", NoArgument, true},
    {[](CheckInput& in) { return !IsDirectory(in.folder); }, "Invalid output folder",
     [](const CheckInput& in) { return in.folder; }, true},
    {[](CheckInput& in) {
         const auto& t = in.ctx.settings.transform;
         return t.doImageResize != 0 && t.imageWidth == 0;
     },
     "Invalid width", NoArgument, true},
    {[](CheckInput& in) {
         const auto& t = in.ctx.settings.transform;
         return t.doImageResize != 0 && t.imageHeight == 0;
     },
     "Invalid height", NoArgument, true},
    // The font loaded here is the one the whole run draws with.
    {[](CheckInput& in) {
         if (in.ctx.settings.watermark.doWatermark != kTextWatermark)
             return false;
         in.font = WatermarkFont::Load(in.ctx.settings);
         return !in.font.has_value();
     },
     "Invalid watermark font", [](const CheckInput& in) { return in.ctx.settings.watermark.font; },
     false},
    {[](CheckInput& in) {
         const auto& w = in.ctx.settings.watermark;
         return w.doWatermark == kPictureWatermark && w.image.empty();
     },
     "Empty watermark image", NoArgument, false},
    {[](CheckInput& in) {
         const auto& w = in.ctx.settings.watermark;
         return w.doWatermark == kPictureWatermark && !WatermarkImageUsable(w.image);
     },
     "Invalid watermark image",
     [](const CheckInput& in) { return in.ctx.settings.watermark.image; }, false},
};

void Refuse(MainWindowHooks& hooks, const char* messageKey, const std::string& argument,
            bool stoppedStatus) {
    if (stoppedStatus)
        hooks.setStatusText(GetText("Msg", "Conversion is not complete"));
    ShowWarning(SubstituteArgs(GetText("Msg", messageKey), argument));
}

// Runs the checks in order and stops at the first that fails, after its
// warning.
bool PassStartChecks(CheckInput in, MainWindowHooks& hooks) {
    for (const StartCheck& check : kStartChecks) {
        if (check.fails(in)) {
            Refuse(hooks, check.messageKey, check.argument(in), check.stoppedStatus);
            return false;
        }
    }
    return true;
}

} // namespace

void StartWindowedConversion(QWidget* mainWindow, WindowContext& ctx, MainWindowHooks& hooks) {
    AppState& state = ctx.state;
    Settings& settings = ctx.settings;
    std::string folder = TrimBlanks(hooks.outputFolderText());
    state.currentOutputFolder = folder;
    state.conversionExtension = ChosenExtension(settings);
    hooks.setStatusText(GetText("General", "Preparing"));

    folder = WithTrailingSlash(std::move(folder));
    std::optional<WatermarkFont> font;
    if (!PassStartChecks({ctx, folder, font}, hooks))
        return;
    if (!PrepareOutputFormat(state.conversionExtension, settings, state)) {
        Refuse(hooks, "Invalid conversion type", {}, true);
        return;
    }
    state.currentOutputFolder = folder;
    state.outputFolder = folder;

    AddOutFolderToHistory(settings, folder);
    hooks.refreshOutFolderList();
    hooks.setStatusText(GetText("General", "Converting"));

    // Declared before the dialog, so the worker it joins never outlives them.
    BatchTools tools(settings, state, std::move(font));
    ProgressState progress;
    ConversionJob job{settings, state, ctx.session.inputs, tools.run(), progress, nullptr, {}};
    ConversionProgressDialog dialog(mainWindow, hooks, progress,
                                    static_cast<int64_t>(ctx.session.inputs.size()),
                                    [&job] { ConversionWorker(job); });
    dialog.run();
}

} // namespace dravik
