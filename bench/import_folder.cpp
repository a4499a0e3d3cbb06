// dravik-bench-import FOLDER
// Imports a folder tree into a fresh input list the way a command-line run
// does, and converts nothing. Prints the wall time in seconds, the files
// added, the entries of the folder's top level, the process's peak resident
// memory (KB) after the import and the same figure just before it.
//
// The command line has no switch that stops after the import, and running
// the real program on a tree of unreadable pictures would time 100,000
// failed conversions; this is the import on its own.

#include "engine/format_tables.h"
#include "inputs/list_workers.h"
#include "inputs/progress_state.h"
#include "inputs/session.h"
#include "platform/paths.h"
#include "settings/app_state.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace dravik;

namespace {

using Clock = std::chrono::steady_clock;

long PeakResidentKb() {
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    return self.ru_maxrss;
}

// The command line turns a relative folder into one below the working
// folder; the list then holds absolute paths, which are longer and are
// what the memory figure has to cover.
std::string AbsoluteFolder(const std::string& folder) {
    if (!folder.empty() && folder.front() == '/')
        return WithTrailingSlash(folder);
    std::string cwd(4096, '\0');
    if (getcwd(cwd.data(), cwd.size()) == nullptr)
        return WithTrailingSlash(folder);
    cwd.resize(cwd.find('\0'));
    std::string relative = folder.compare(0, 2, "./") == 0 ? folder.substr(2) : folder;
    return WithTrailingSlash(WithTrailingSlash(cwd) + relative);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = AbsoluteFolder(argv[1]);

    // What the program does before any batch: the format tables, then a
    // fresh session, whose accepted extensions come from them.
    BuildInputFormats();
    BuildOutputFormats();
    Session session;
    AppState state;
    state.programFolder = ProgramFolder();
    NewSession(session, state);
    const long baselineKb = PeakResidentKb();

    ProgressState progress;
    const auto start = Clock::now();
    progress.reset();
    progress.clearCount();
    state.importFolder = folder;
    // The command line reads the top level once more for the progress
    // total before the worker starts; that read belongs to its import time.
    const size_t topLevel = FolderImportSize(folder);
    std::thread worker([&] { ImportFolderWorker(session, folder, progress); });
    worker.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const int64_t added = progress.snapshot().count;

    std::printf("%.3f %lld %zu %ld %ld\n", seconds, static_cast<long long>(added), topLevel,
                PeakResidentKb(), baselineKb);
    return added == static_cast<int64_t>(session.inputs.size()) ? 0 : 1;
}
