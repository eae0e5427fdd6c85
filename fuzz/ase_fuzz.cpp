// The model reader on arbitrary bytes, followed by everything the program does with a model: the
// model set's import and texture loop, drawing each model with the GL calls stubbed out, and a
// second import into the same models as a full-screen toggle makes, drawn again. ASan sees every
// array entry the drawing reads; LeakSanitizer sees any array the reader forgets.
#include "fuzz/tempfile.h"
#include "model/ase.h"
#include "render/load.h"
#include "tests/support/release.h"

#include <cstring>

// With the program's budget floor of a million entries, a tiny input that declares a large count
// makes every run fill, normalise and draw a million entries. A floor of 4096 still lies far above
// what an input of at most 8 KB fills, so counts are honoured and cut the same way, only sooner.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_LoadASE.setMinEntries(4096);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* input = fuzzfile::write(".ASE", data, size);
    if (input == nullptr)
        return 0;
    // Model 0 is the input; the other paths do not exist and stay empty models.
    std::strncpy(filnamn[0], input, sizeof filnamn[0] - 1);
    for (int i = 1; i < antalObjekt; ++i)
        std::strcpy(filnamn[i], "/nonexistent/fuzz.ASE");

    load models;
    for (int pass = 0; pass < 2; ++pass) {
        models.Init();
        for (int n = 0; n < antalObjekt; ++n)
            models.RenderScene(n);
    }

    for (t3DModel& model : modeller)
        releaseModel(model);
    std::memset(texturer, 0, sizeof texturer);
    return 0;
}
