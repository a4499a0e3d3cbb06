// Entry: the single-instance guard, then one run mode.

#include "app/console_texts.h"
#include "app/run_mode.h"
#include "batch/command_line_run.h"
#include "batch/exit_codes.h"
#include "batch/terminal_progress.h"
#include "platform/console.h"
#include "platform/instance_channel.h"
#include "platform/instance_lock.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/stop_signals.h"
#include "settings/product.h"
#include "texts/language_table.h"
#include "ui/window_mode.h"

#include <csignal>
#include <cstdlib>
#include <malloc.h>
#include <string>
#include <vector>

using namespace dravik;

int main(int argc, char** argv) {
    // A batch reads pictures on several threads, each into buffers of
    // megabytes. Left to itself, the allocator soon serves such buffers from
    // per-thread heaps that keep the freed memory; mapped directly, they go
    // back to the system when freed and the batch's memory stays bounded.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    std::vector<std::string> params(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string title = MakeTitleText(kProgramTitle, kProgramVersion);

    // A file manager's "Open with" starts the program with paths alone.
    std::vector<std::string> openPaths = WindowStartPaths(params, CurrentFolder());

    // The texts come first so that a refused start can say why.
    LoadLanguageTable("");
    InstanceLock lock;
    if (!lock.acquire(title)) {
        // A second window start shows the window that is already there and
        // hands it the paths it was given; only a window listens.
        std::vector<InstanceMessage> request;
        for (const std::string& path : openPaths)
            request.push_back({kOpenRequest, path});
        request.push_back({kRaiseRequest, ""});
        if (params.empty())
            SendInstanceMessages(lock.channelPath(), request);
        else if (openPaths.empty() || !SendInstanceMessages(lock.channelPath(), request))
            PrintErrorLine(GetText("Msg", "Another instance"));
        return kExitAnotherInstance;
    }

    Settings settings;
    AppState state;
    state.programFolder = ProgramFolder();
    Session session;
    StdConsole console;
    Runtime runtime{settings, state, session, console};
    runtime.defaults.now = LocalTimestampNow();
    runtime.programName = ProgramFileStem();
    runtime.uninstallPrompt = [&]() {
        if (!WindowSystemAvailable()) {
            PrintErrorLine(kNoDisplay);
            return static_cast<int>(kExitError);
        }
        return RunUninstallPrompt(argc, argv);
    };

    // The pictures need no screen, so without one they are drawn offscreen.
    runtime.demonstration = [&](const std::string& folder) {
        if (!WindowSystemAvailable())
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        WindowModeParts parts{settings, state, session, runtime.defaults, title, {}, {}};
        return RunDemonstration(argc, argv, parts, folder);
    };

    runtime.commandLineRun = [&](bool quiet) {
        // From here on Ctrl+C, kill, a closed terminal or a closed pipe stop
        // the run in order: helpers killed, temp folder removed, outputs
        // already written kept, exit code 128 + the signal.
        InstallStopSignals({SIGINT, SIGTERM, SIGHUP, SIGPIPE});
        bool progressLine = !quiet && TerminalProgress::StderrIsTerminal();
        CommandLineBatch batch{settings, state, session, console, quiet, progressLine, {}};
        return RunCommandLineBatch(batch);
    };

    RunModeResult mode = SelectRunMode(params, runtime);
    if (!mode.windowMode)
        return mode.exitCode;

    if (!WindowSystemAvailable()) {
        PrintErrorLine(kNoDisplay);
        return kExitError;
    }
    const std::string channel = lock.held() ? lock.channelPath() : "";
    WindowModeParts parts{
        settings, state, session, runtime.defaults, title, [&lock] { lock.release(); }, channel};
    parts.startPaths = std::move(openPaths);
    return RunWindowMode(argc, argv, parts);
}
