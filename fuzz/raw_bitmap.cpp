// The raw bitmap the isolated decoder helper hands over, read back and
// converted as the batch goes on to do with it.

#include "engine/raw_bitmap.h"
#include "fuzz_support.h"

using namespace dravik;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::MemoryFile file("bitmap.raw");
    file.rewrite(data, size);
    Bitmap bitmap = ReadRawBitmap(file.path());
    if (bitmap)
        Bitmap converted(FreeImage_ConvertTo24Bits(bitmap.get()));
    return 0;
}
