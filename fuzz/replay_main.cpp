// Runs a fuzz target over files instead of generated inputs. The test build
// (gcc with the sanitizers, no libFuzzer) links every target with this main,
// so each test run feeds it its seeds and every crash input kept so far.
//
// A single allocation over 1 GB fails the replay, as libFuzzer fails it with
// scripts/fuzz's memory limit, so an input that makes a parser ask for a
// gigabyte it will never fill stays caught here (with the sanitizers' runtime,
// which offers the hook).
//
// Arguments are files or folders (read recursively, in name order); a folder
// given as --optional=<folder> may be missing. Fails when there was nothing to
// run, so a seed folder that went astray does not pass unnoticed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" __attribute__((weak)) int
__sanitizer_install_malloc_and_free_hooks(void (*)(const volatile void*, size_t),
                                          void (*)(const volatile void*));

namespace {

constexpr size_t kMallocLimit = size_t{1024} * 1024 * 1024;

void LimitMalloc(const volatile void*, size_t size) {
    if (size <= kMallocLimit)
        return;
    // Nothing here may allocate: this runs inside malloc.
    constexpr char kMessage[] = "replay: out of memory: a single allocation of over 1 GB\n";
    (void)!::write(2, kMessage, sizeof kMessage - 1);
    std::abort();
}

void NoteFree(const volatile void*) {}

namespace fs = std::filesystem;

bool AddInputs(const std::string& argument, std::vector<fs::path>& inputs) {
    constexpr std::string_view kOptional = "--optional=";
    const bool optional = argument.starts_with(kOptional);
    const fs::path where = optional ? argument.substr(kOptional.size()) : argument;
    std::error_code ec;
    if (fs::is_regular_file(where, ec)) {
        inputs.push_back(where);
        return true;
    }
    if (!fs::is_directory(where, ec)) {
        if (optional)
            return true;
        std::fprintf(stderr, "replay: %s: no such file or folder\n", where.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (fs::recursive_directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        // Dot files are bookkeeping (a build stamp), never inputs.
        if (it->path().filename().string().starts_with("."))
            continue;
        if (it->is_regular_file(ec))
            found.push_back(it->path());
    }
    if (ec) {
        std::fprintf(stderr, "replay: %s: %s\n", where.c_str(), ec.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (__sanitizer_install_malloc_and_free_hooks != nullptr)
        __sanitizer_install_malloc_and_free_hooks(LimitMalloc, NoteFree);
    if (LLVMFuzzerInitialize != nullptr)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (!AddInputs(argv[i], inputs))
            return 1;
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "replay: no inputs\n");
        return 1;
    }
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
        if (!in.good() && !in.eof()) {
            std::fprintf(stderr, "replay: %s: cannot be read\n", path.c_str());
            return 1;
        }
        // A buffer of exactly the input's size, as libFuzzer hands it over,
        // so that reading one byte too far is caught.
        auto data = std::make_unique<uint8_t[]>(bytes.size());
        std::copy(bytes.begin(), bytes.end(), data.get());
        // Named before the run: a crash report then says which input it was.
        std::printf("replay: %s (%zu bytes)\n", path.c_str(), bytes.size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(data.get(), bytes.size());
    }
    std::printf("replay: %zu inputs, no failure\n", inputs.size());
    return 0;
}
