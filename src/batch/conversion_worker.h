// The loop over the input list that converts one file after the other, for
// the command line and the window alike.
#pragma once

#include "batch/read_ahead.h"
#include "engine/convert_file.h"
#include "inputs/input_list.h"
#include "inputs/progress_state.h"
#include "platform/console.h"
#include "settings/app_state.h"
#include "settings/settings.h"

#include <functional>
#include <string>

namespace dravik {

struct ConversionJob {
    const Settings& settings;
    AppState& state;
    const InputList& inputs;
    ConversionRun& run;
    ProgressState& progress;
    // Where a detailed command-line run reports each file; null for none.
    Console* report = nullptr;
    // Receives the lines that explain a file: why it failed, or that its
    // output replaced one written earlier in the same batch. Empty for none.
    std::function<void(const std::string&)> notice;
    // How many pictures are read ahead of the one in work, on as many
    // threads; 0 reads each in its turn on the worker itself. Names, saves
    // and reports are the same either way.
    unsigned readAhead = ReadAheadDepth();
};

// Converts every entry in list order while the keep-running flag is set and
// no stop signal has been caught, waiting at the pause gate before each one.
// Leaves the number converted in the progress count. A file cut short by a
// stop signal is neither counted nor explained. Pictures read ahead and not
// reached when the run stops are dropped without a trace.
void ConversionWorker(ConversionJob& job);

} // namespace dravik
