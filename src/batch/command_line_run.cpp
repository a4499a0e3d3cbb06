#include "batch/command_line_run.h"

#include "batch/batch_tools.h"
#include "batch/conversion_worker.h"
#include "batch/exit_codes.h"
#include "batch/output_checks.h"
#include "batch/settings_echo.h"
#include "batch/terminal_progress.h"
#include "engine/convert_file.h"
#include "engine/overlays/watermark.h"
#include "engine/overlays/watermark_font.h"
#include "engine/save_flags.h"
#include "inputs/add_inputs.h"
#include "inputs/list_file.h"
#include "inputs/list_workers.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"
#include "platform/temp_folder.h"
#include "texts/language_table.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace dravik {

namespace {

constexpr const char* kError = "Error: ";

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsNonEmptyFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0;
}

// A path names a file when its last element has an extension. "." and ".."
// name folders, whatever their dots.
bool NamesFile(const std::string& path) {
    std::string last = FileNamePart(path);
    if (last == "." || last == "..")
        return false;
    return last.find('.') != std::string::npos;
}

std::string CurrentFolder() {
    std::string folder(4096, '\0');
    if (getcwd(folder.data(), folder.size()) == nullptr)
        return {};
    folder.resize(folder.find('\0'));
    return WithTrailingSlash(folder);
}

// Why a path is no folder or no usable input file, for the stderr line.
std::string WhyNotFolder(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return std::strerror(errno);
    return std::strerror(ENOTDIR);
}

std::string WhyNotInputFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return std::strerror(errno);
    if (S_ISDIR(st.st_mode))
        return std::strerror(EISDIR);
    return GetText("Console", "Empty file");
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class Run {
  public:
    explicit Run(CommandLineBatch& batch)
        : b_(batch), state_(batch.state), out_(batch.console, batch.progressLine),
          debug_(batch.state.runModeTag == "DEBUG") {}

    int go();

  private:
    void say(const std::string& line) {
        if (!b_.quiet)
            out_.printLine(line);
    }
    void debug(const std::string& line) {
        if (debug_)
            out_.printLine(line);
    }
    int fail(const std::string& message) {
        out_.printLine(kError + message);
        return kExitError;
    }
    // A check that ends the run says, besides its error line, why.
    int fail(const std::string& message, const std::string& subject, const std::string& why) {
        notice(subject, why);
        return fail(message);
    }
    // "dravik: <subject>: <text>" on stderr.
    void notice(const std::string& subject, const std::string& text) {
        if (!b_.quiet)
            out_.printNotice(FillArgs(GetText("Console", "Notice"), subject, text));
    }
    std::string workingFolder() const {
        return b_.workingFolder.empty() ? CurrentFolder() : WithTrailingSlash(b_.workingFolder);
    }
    int64_t import();
    int stopped(bool nothingImported);
    int interrupted(int64_t converted, int64_t imported);

    CommandLineBatch& b_;
    AppState& state_;
    TerminalProgress out_;
    bool debug_;
    ProgressState progress_;
};

int Run::go() {
    say(GetText("General", "Preparing"));

    debug("Input: " + state_.inputPath);
    std::string inputFolder;
    if (NamesFile(state_.inputPath)) {
        state_.inputFile = state_.inputPath;
        state_.inputPath.clear();
        if (!IsNonEmptyFile(state_.inputFile))
            return fail("Invalid input file", state_.inputFile, WhyNotInputFile(state_.inputFile));
    } else {
        inputFolder = CompleteFolder(state_.inputPath, workingFolder(), state_.programFolder);
        if (inputFolder.empty())
            return fail("Incorrect input folder", state_.inputPath,
                        GetText("Console", "Folder above"));
        if (!IsDirectory(inputFolder))
            return fail("Invalid input folder", inputFolder, WhyNotFolder(inputFolder));
        state_.inputPath = inputFolder;
    }

    std::string output = state_.cliOutputFolder;
    if (output.empty())
        output = inputFolder.empty() ? FolderOf(state_.inputFile) : inputFolder;
    debug("Output: " + output);
    const std::string givenOutput = output;
    output = CompleteFolder(output, workingFolder(), state_.programFolder);
    if (output.empty())
        return fail("Incorrect output folder", givenOutput, GetText("Console", "Folder above"));
    if (!IsDirectory(output))
        return fail("Invalid output folder", output, WhyNotFolder(output));
    state_.cliOutputFolder = output;
    state_.outputFolder = output;

    if (state_.inputFormat.empty())
        state_.inputFormat = PrimaryInputFormats().front();
    if (state_.conversionExtension.empty())
        state_.conversionExtension = PrimaryOutputFormats().front();
    debug("Conversion: " + state_.conversionExtension);
    if (!IsOfferedOutput(state_.conversionExtension))
        return fail("Invalid conversion type");

    Console* echo = debug_ ? &out_ : nullptr;
    const Settings& settings = b_.settings;
    std::string error = EchoAndCheck(EchoPart::Formats, settings, state_, echo);
    if (error.empty())
        error = EchoAndCheck(EchoPart::Operations, settings, state_, echo);
    if (!error.empty())
        return fail(error);

    // The font lives for the whole batch and goes with it.
    std::optional<WatermarkFont> font;
    if (settings.watermark.doWatermark == 1) {
        font = WatermarkFont::Load(settings);
        if (!font)
            return fail("Invalid watermark font");
    } else if (settings.watermark.doWatermark == 2 &&
               !WatermarkImageUsable(settings.watermark.image)) {
        return fail("Invalid watermark image");
    }
    error = EchoAndCheck(EchoPart::Naming, settings, state_, echo);
    if (!error.empty())
        return fail(error);

    if (!PrepareOutputFormat(state_.conversionExtension, settings, state_))
        return fail("Invalid conversion type");

    // The helpers' private folder; without one no file could be read, so
    // the run ends here rather than fail every file.
    BatchTools tools(settings, state_, std::move(font));
    const PrivateTempFolder& temp = tools.run().tempFolder();
    if (!temp.ok())
        return fail(GetText("Console", "No temp folder"), temp.failedFolder(),
                    std::strerror(temp.error()));

    int64_t imported = import();
    if (CaughtStopSignal() != 0)
        return interrupted(0, imported);
    if (imported == 0)
        return stopped(true);

    say(GetText("General", "Converting"));
    progress_.reset();
    progress_.clearCount();
    ConversionJob job{settings, state_, b_.session.inputs, tools.run(), progress_, &out_, {}};
    job.notice = [this](const std::string& line) {
        if (!b_.quiet)
            out_.printNotice(line);
    };
    out_.runWorker([&] { ConversionWorker(job); }, progress_,
                   static_cast<int64_t>(b_.session.inputs.size()), true);
    int64_t converted = progress_.snapshot().count;
    if (CaughtStopSignal() != 0)
        return interrupted(converted, imported);
    if (converted == 0)
        return stopped(false);
    say(GetText("Msg", "Conversion complete"));
    say(SubstituteArgs(GetText("Msg", "Files converted"), std::to_string(converted),
                       std::to_string(imported)));
    return converted == imported ? kExitSuccess : kExitPartial;
}

int64_t Run::import() {
    say(GetText("General", "Importing"));
    Session& session = b_.session;
    progress_.reset();
    progress_.clearCount();
    int64_t count = 0;
    if (!state_.inputPath.empty()) {
        state_.importFolder = state_.inputPath;
        std::string folder = state_.inputPath;
        out_.runWorker([&] { ImportFolderWorker(session, folder, progress_); }, progress_,
                       static_cast<int64_t>(FolderImportSize(folder)), false);
        count = progress_.snapshot().count;
    } else if (std::string ext = LowerExtension(state_.inputFile); ext == "txt" || ext == "lst") {
        std::string list = state_.inputFile;
        std::string base = state_.importFolder;
        out_.runWorker([&] { ImportListWorker(session, list, base, progress_); }, progress_,
                       static_cast<int64_t>(CountListLines(list)), false);
        count = progress_.snapshot().count;
    } else {
        count = AddInputFile(session, state_.importFolder, state_.inputFile) ? 1 : 0;
    }
    say(SubstituteArgs(GetText("Msg", "Import complete"), std::to_string(count)));
    return count;
}

// Ended by a signal: what was written stays, the helpers are gone and the
// temp folder goes as the tools do. Shells expect 128 + the signal number.
int Run::interrupted(int64_t converted, int64_t imported) {
    out_.printLine(GetText("Msg", "Conversion is not complete"));
    say(SubstituteArgs(GetText("Msg", "Files converted"), std::to_string(converted),
                       std::to_string(imported)));
    return kExitSignalBase + CaughtStopSignal();
}

int Run::stopped(bool nothingImported) {
    out_.printLine(GetText("Msg", "Conversion is not complete"));
    if (nothingImported)
        out_.printLine(GetText("Msg", "Empty input files"));
    return kExitStopped;
}

} // namespace

std::string CompleteFolder(const std::string& folder, const std::string& workingFolder,
                           const std::string& programFolder) {
    if (folder.compare(0, 2, "..") == 0)
        return {};
    if (!folder.empty() && folder.front() == '/')
        return WithTrailingSlash(folder);
    std::string relative = folder.compare(0, 2, "./") == 0 ? folder.substr(2) : folder;
    if (relative == ".")
        relative.clear();
    std::string below = WithTrailingSlash(workingFolder) + relative;
    if (!workingFolder.empty() && IsDirectory(below))
        return WithTrailingSlash(below);
    return WithTrailingSlash(programFolder + relative);
}

int RunCommandLineBatch(CommandLineBatch& batch) {
    return Run(batch).go();
}

} // namespace dravik
