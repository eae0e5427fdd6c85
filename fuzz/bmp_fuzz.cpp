// The bitmap loader on arbitrary bytes: a record it returns must have a sane size and pixels that
// can all be read, and both must be freeable with free.
#include "fuzz/tempfile.h"
#include "platform/glaux.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* input = fuzzfile::write(".bmp", data, size);
    if (input == nullptr)
        return 0;
    AUX_RGBImageRec* image = auxDIBImageLoadA(input);
    if (image == nullptr)
        return 0;
    if (image->sizeX < 1 || image->sizeY < 1 || image->data == nullptr)
        std::abort();
    volatile unsigned sum = 0;
    for (long i = 0; i < static_cast<long>(image->sizeX) * image->sizeY * 3; ++i)
        sum = sum + image->data[i];
    std::free(image->data);
    std::free(image);
    return 0;
}
