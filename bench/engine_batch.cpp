// dravik-bench-engine INPUT_DIR OUTPUT_DIR: converts every PICT of a folder
// with the engine, one file after the other, as a command-line run with
// default settings does. Prints the wall time in seconds.

#include "engine/convert_file.h"
#include "engine/save_flags.h"
#include "inputs/session.h"
#include "platform/paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace dravik;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT_DIR OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    std::string in = WithTrailingSlash(argv[1]);
    std::vector<std::string> files;
    if (DIR* d = opendir(in.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() > 5 && name.substr(name.size() - 5) == ".pict")
                files.push_back(in + name);
        }
        closedir(d);
    }
    std::sort(files.begin(), files.end());

    Settings settings;
    ApplyDefaults(settings, true, {});
    AppState state;
    PrepareOutputFormat("jpg", settings, state);
    state.outputFolder = WithTrailingSlash(argv[2]);
    ConversionRun run(ProgramFolder());

    auto start = std::chrono::steady_clock::now();
    int converted = 0;
    for (const std::string& file : files) {
        state.currentInput = file;
        if (ConvertFile(settings, state, run)) {
            ++converted;
            state.randomNumber = NewRandomNumber();
            ++state.fileCounter;
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // The program's own peak and that of its largest helper process.
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("%.3f %d %zu %ld %ld\n", seconds, converted, files.size(), self.ru_maxrss,
                children.ru_maxrss);
    return converted == static_cast<int>(files.size()) ? 0 : 1;
}
