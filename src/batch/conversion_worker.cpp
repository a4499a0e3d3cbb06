#include "batch/conversion_worker.h"

#include "batch/output_checks.h"
#include "engine/file_timestamp.h"
#include "engine/signatures.h"
#include "inputs/session.h"
#include "platform/console.h"

#include <chrono>
#include <string>

namespace dravik {

namespace {

constexpr int64_t kShortestDurationMs = 1000;

bool ConvertOne(ConversionJob& job) {
    try {
        return ConvertFile(job.settings, job.state, job.run);
    } catch (const std::exception&) {
        // Running out of memory on one picture must not end the batch.
        return false;
    }
}

} // namespace

void ConversionWorker(ConversionJob& job) {
    AppState& state = job.state;
    Console* report = state.inputGiven != 0 && state.runModeTag == "DEBUG" ? job.report : nullptr;
    int64_t converted = 0;
    int64_t n = 0;
    int64_t lastDuration = 0;
    for (const InputEntry& entry : job.inputs.entries()) {
        job.progress.passGate();
        if (!job.progress.keepRunning())
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
        if (ConvertOne(job)) {
            if (report != nullptr)
                report->printLine("[OK] Saving As: " + state.currentOutput);
            ++converted;
            // A picture converted without part of it still counts, but the
            // user hears what is missing.
            if (!job.run.partialNote.empty())
                PrintErrorLine("dravik: " + entry.path + ": " + job.run.partialNote);
            auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                               std::chrono::steady_clock::now() - start)
                               .count();
            lastDuration = std::max<int64_t>(elapsed, kShortestDurationMs);
            state.randomNumber = NewRandomNumber();
            ++state.fileCounter;
            ApplyFileTimestamp(entry.path, state.currentOutput, job.settings);
        } else {
            lastDuration = 0;
            if (report != nullptr)
                report->printLine("[ERROR] Unable to convert the file!");
        }
    }
    job.progress.begin(n, state.currentInput, lastDuration);
    job.progress.setCount(converted);
}

} // namespace dravik
