#include "app/run_mode.h"

#include "app/console_texts.h"
#include "batch/exit_codes.h"
#include "batch/option_scan.h"
#include "engine/format_tables.h"
#include "platform/stop_signals.h"
#include "settings/product.h"
#include "texts/language_table.h"

namespace dravik {
namespace {

// "/a/./b//c/." as "/a/b/c/": the "." a shell completes and doubled
// slashes say nothing. ".." is left alone: through a link it does not lead
// back where the text suggests.
std::string WithoutDotSegments(const std::string& path) {
    std::string out;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view segment(path.data() + start, end - start);
        if (!segment.empty() && segment != ".")
            out += "/" + std::string(segment);
        else if (end == path.size() && !out.empty())
            out += "/"; // a trailing "/" or "/." names a folder
        start = end + 1;
    }
    return out.empty() ? "/" : out;
}

} // namespace

std::vector<std::string> WindowStartPaths(const std::vector<std::string>& params,
                                          const std::string& currentFolder) {
    std::vector<std::string> paths;
    for (size_t i = 0; i < params.size(); ++i) {
        if (!OptionName(params, i).empty())
            return {};
        const std::string& param = params[i];
        if (param.empty() || (param.front() != '/' && currentFolder.empty()))
            continue; // relative to a current folder that is gone
        paths.push_back(
            WithoutDotSegments(param.front() == '/' ? param : currentFolder + "/" + param));
    }
    return paths;
}

RunModeResult SelectRunMode(const std::vector<std::string>& params, Runtime& rt) {
    if (params.empty())
        return {true, kExitSuccess};

    BuildInputFormats();
    BuildOutputFormats();
    NewSession(rt.session, rt.state);
    ApplyDefaults(rt.settings, true, rt.defaults);
    LoadLanguageTable("");

    const std::string first = OptionName(params, 0);
    if (first == "-U")
        return {false, rt.uninstallPrompt ? rt.uninstallPrompt() : kExitSuccess};
    if (first == "-T") {
        rt.state.runModeTag = "T";
        std::string folder = params.size() > 1 ? OptionValue(params, 1) : std::string();
        return {false, rt.demonstration ? rt.demonstration(folder) : kExitSuccess};
    }
    if (first == "-V" || first == "--VERSION") {
        rt.console.printLine(FormatVersion(kProgramVersion));
        return {false, kExitSuccess};
    }
    if (first == "-H" || first == "-?" || first == "--HELP") {
        for (const std::string& line : UsageLines(rt.programName))
            rt.console.printLine(line);
        return {false, kExitSuccess};
    }

    ScanResult scan = ScanOptions(params, rt.settings, rt.state);
    if (!scan.error.empty()) {
        rt.console.printLine(kErrorPrefix + scan.error);
        if (scan.pause)
            rt.console.waitForKey();
        return {false, kExitError};
    }
    if (rt.state.inputGiven == 0)
        return {true, kExitSuccess};
    // Lenient reading stays, but a slip in a run is named: after the scan, so
    // that a -q anywhere on the line silences it. (A window opened for a
    // file path has nothing to say about it.)
    if (!scan.quiet) {
        for (const std::string& warning : scan.warnings)
            PrintErrorLine(warning);
    }

    if (!scan.quiet) {
        rt.console.printLine(MakeTitleText(kProgramTitle, kProgramVersion));
        rt.console.printLine(ConsoleNoticeText());
        rt.console.printLine(kHomePageUrl);
        rt.console.printLine(" ");
    }
    int code = rt.commandLineRun ? rt.commandLineRun(scan.quiet) : kExitSuccess;
    // Whoever stopped the run with a signal is not waiting for a key prompt.
    if (scan.pause && CaughtStopSignal() == 0) {
        rt.console.printLine(kPressAnyKey);
        rt.console.waitForKey();
    }
    return {false, code};
}

} // namespace dravik
