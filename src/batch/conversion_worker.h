// The loop over the input list that converts one file after the other, for
// the command line and the window alike.
#pragma once

#include "engine/convert_file.h"
#include "inputs/input_list.h"
#include "inputs/progress_state.h"
#include "platform/console.h"
#include "settings/app_state.h"
#include "settings/settings.h"

namespace dravik {

struct ConversionJob {
    const Settings& settings;
    AppState& state;
    const InputList& inputs;
    ConversionRun& run;
    ProgressState& progress;
    // Where a detailed command-line run reports each file; null for none.
    Console* report = nullptr;
};

// Converts every entry in list order while the keep-running flag is set,
// waiting at the pause gate before each one. Leaves the number converted in
// the progress count.
void ConversionWorker(ConversionJob& job);

} // namespace dravik
