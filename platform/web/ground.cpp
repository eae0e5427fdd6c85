// The page's ground bitmap, painted in Web Workers by the project's own generator rather than
// downloaded: the same bytes as models/Razedud.bmp (which the generator wrote), at a small part
// of the size served. Each worker is named BAND/BANDS when it is started and paints that band of
// rows; it posts the file's bytes that hold them (the first band's with the header), where they
// sit in the file and the file's size. The page puts the bands together and hands the file to
// the program's file system (page/loader.js).
#include "tools/modelgen/assets.h"
#include "tools/modelgen/files.h"

#include <emscripten.h>

#include <cstddef>
#include <string>

int main() {
    const int band = EM_ASM_INT({ return Number(self.name.split('/')[0]); });
    const int bands = EM_ASM_INT({ return Number(self.name.split('/')[1]); });
    const int from = modelgen::kGroundSize * band / bands;
    const int to = modelgen::kGroundSize * (band + 1) / bands;
    modelgen::Image img(modelgen::kGroundSize, modelgen::kGroundSize);
    modelgen::paintGroundRows(img, from, to);
    const std::string bmp = modelgen::bmpBytes(img);
    // The 54 bytes of headers, then the rows, bottom first.
    const std::size_t stride = (bmp.size() - 54) / img.h;
    const std::size_t begin = band == 0 ? 0 : 54 + from * stride, end = 54 + to * stride;
    EM_ASM(
        {
            const bytes = HEAPU8.slice($0 + $1, $0 + $2);
            postMessage({at : $1, size : $3, bytes : bytes}, [bytes.buffer]);
        },
        bmp.data(), begin, end, bmp.size());
}
