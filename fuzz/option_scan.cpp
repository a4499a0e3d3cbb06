// The command line: an argument vector (the input split at its NUL bytes, as
// an argument can hold any byte but NUL) scanned into settings.

#include "batch/option_scan.h"
#include "fuzz_support.h"

#include <cstdlib>

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> params = fuzz::SplitAtNul(data, size);
    Settings settings;
    ApplyDefaults(settings, true, {});
    AppState state;
    const ScanResult result = ScanOptions(params, settings, state);
    // Every warning is a line of its own on stderr.
    for (const std::string& warning : result.warnings) {
        if (warning.empty())
            std::abort();
    }
    for (size_t i = 0; i <= params.size(); ++i) {
        (void)OptionName(params, i);
        (void)OptionValue(params, i);
    }
    return 0;
}
