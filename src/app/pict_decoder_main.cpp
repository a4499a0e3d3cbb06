// dravik-pict-decoder INPUT OUTPUT: reads a PICT file with FreeImage and
// writes the pixels as a raw bitmap. It runs as a process of its own because
// FreeImage's PICT reader can crash on damaged files; a crash here is one
// failed file, not a lost batch. Exit code 0 when OUTPUT was written.

#include "engine/raw_bitmap.h"

#include <FreeImage.h>

#include <sys/resource.h>

namespace {

void Limit(int resource, rlim_t value) {
    rlimit limit{value, value};
    setrlimit(resource, &limit);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    // A damaged header can ask for absurd allocations or endless output;
    // the limits turn those into a quick failure. No core files either.
    Limit(RLIMIT_CORE, 0);
    Limit(RLIMIT_AS, rlim_t{6} << 30);
    Limit(RLIMIT_FSIZE, rlim_t{2} << 30);
    Limit(RLIMIT_CPU, 60);
    // The reader spins forever on a file that ends inside its header, so
    // only files with a whole version 2 header reach it.
    if (!FreeImage_Validate(FIF_PICT, argv[1]))
        return 1;
    FIBITMAP* dib = FreeImage_Load(FIF_PICT, argv[1], 0);
    if (dib == nullptr)
        return 1;
    dravik::Bitmap bitmap(dib);
    if (bitmap.width() == 0 || bitmap.height() == 0)
        return 1;
    return dravik::WriteRawBitmap(bitmap.get(), argv[2]) ? 0 : 1;
}
