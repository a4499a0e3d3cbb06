#include "batch/conversion_worker.h"

#include "batch/output_checks.h"
#include "engine/file_timestamp.h"
#include "engine/signatures.h"
#include "inputs/session.h"
#include "platform/stop_signals.h"
#include "texts/language_table.h"

#include <chrono>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace dravik {

namespace {

constexpr int64_t kShortestDurationMs = 1000;

// Reads the picture in its turn, or takes it from the readers ahead (most
// often encoded already), and converts it.
bool ConvertOne(ConversionJob& job, ReadAhead* ahead, size_t index) {
    try {
        PictureInWork picture =
            ahead != nullptr ? ahead->take(index) : ReadPicture(job.state.currentInput, job.run);
        return ConvertPicture(std::move(picture), job.settings, job.state, job.run);
    } catch (const std::exception&) {
        // Running out of memory on one picture must not end the batch.
        job.run.failureReason = GetText("Console", "Out of memory");
        return false;
    }
}

bool Stopping(const ConversionJob& job) {
    return !job.progress.keepRunning() || CaughtStopSignal() != 0;
}

void Notice(const ConversionJob& job, const std::string& subject, const std::string& text) {
    if (job.notice)
        job.notice(FillArgs(GetText("Console", "Notice"), subject, text));
}

} // namespace

void ConversionWorker(ConversionJob& job) {
    AppState& state = job.state;
    Console* report = state.inputGiven != 0 && state.runModeTag == "DEBUG" ? job.report : nullptr;
    int64_t converted = 0;
    int64_t n = 0;
    int64_t lastDuration = 0;
    // Outputs written by this batch and the input each came from: a later
    // file that lands on one of them is worth a word.
    std::unordered_map<std::string, std::string> written;
    const std::vector<InputEntry>& entries = job.inputs.entries();
    std::optional<ReadAhead> ahead;
    if (job.readAhead > 0 && entries.size() > 1) {
        // The readers see the batch as it stands before the first file:
        // what they do must not depend on the files before theirs.
        ahead.emplace(entries, job.run, job.readAhead,
                      [&job, &entries, batch = state](PictureInWork& picture, size_t i) {
                          AppState file = batch;
                          file.currentInput = entries[i].path;
                          file.currentSubfolder = entries[i].subfolder;
                          PreparePicture(picture, job.settings, file, job.run);
                      });
    }
    for (size_t index = 0; index < entries.size(); ++index) {
        const InputEntry& entry = entries[index];
        job.progress.passGate();
        if (Stopping(job))
            break;
        ++n;
        state.currentInput = entry.path;
        state.currentSubfolder = entry.subfolder;
        job.progress.begin(n, entry.path, lastDuration);
        if (job.settings.advanced.keepSubfolders != 0)
            EnsureOutputSubfolder(state.outputFolder, entry.subfolder);
        if (report != nullptr) {
            report->printLine("Processing: " + entry.path);
            report->printLine("File Format: " + DetectFileType(entry.path));
        }
        auto start = std::chrono::steady_clock::now();
        if (ConvertOne(job, ahead ? &*ahead : nullptr, index)) {
            if (report != nullptr)
                report->printLine("[OK] Saving As: " + state.currentOutput);
            ++converted;
            // A picture converted without part of it still counts, but the
            // user hears what is missing.
            if (!job.run.partialNote.empty())
                Notice(job, entry.path, job.run.partialNote);
            auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
            lastDuration = std::max<int64_t>(elapsed, kShortestDurationMs);
            state.randomNumber = NewRandomNumber();
            ++state.fileCounter;
            ApplyFileTimestamp(entry.path, state.currentOutput, job.settings);
            auto [earlier, first] = written.try_emplace(state.currentOutput, entry.path);
            if (!first) {
                Notice(job, state.currentOutput,
                       FillArgs(GetText("Console", "Overwrites"), earlier->second));
                earlier->second = entry.path;
            }
        } else {
            lastDuration = 0;
            // The helper was killed because the batch is ending; the file is
            // not at fault.
            if (CaughtStopSignal() != 0)
                break;
            if (report != nullptr)
                report->printLine("[ERROR] Unable to convert the file!");
            const std::string& reason = job.run.failureReason;
            Notice(job, entry.path,
                   reason.empty() ? GetText("Console", "Conversion failed") : reason);
        }
    }
    // The readers and their helpers are gone before the run reports its end.
    ahead.reset();
    job.progress.begin(n, state.currentInput, lastDuration);
    job.progress.setCount(converted);
}

} // namespace dravik
