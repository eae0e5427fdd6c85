// The model reader against hostile files: every input that ever made the fuzz target fail (kept
// in tests/robust/inputs/) and the fuzz seeds, read and drawn as the program would; the model set
// outlives static destruction.
#include "model/ase.h"
#include "platform/testhooks.h"
#include "render/load.h"
#include "support/glcontext.h"
#include "support/release.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

// Each input is read into the model set's slot 0 and drawn in a real context, twice, as a
// full-screen toggle does. Under the sanitizers any read outside an array fails the test.
TEST(ModelInputs, SavedAndSeedInputsReadAndDrawWithinTheirArrays) {
    GLContext gl;
    ASSERT_TRUE(gl.ok());
    SetMessageBoxHook([](const char*, const char*, UINT) { return IDOK; });
    load models;
    int files = 0;
    for (const char* dir : {"tests/robust/inputs", "fuzz/seeds/ase"})
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            if (entry.path().extension() != ".ASE")
                continue;
            SCOPED_TRACE(entry.path().string());
            ++files;
            for (int pass = 0; pass < 2; ++pass) {
                EXPECT_TRUE(g_LoadASE.ImportASE(&modeller[0], entry.path().string().c_str()));
                models.RenderScene(0);
            }
            glFinish();
            releaseModel(modeller[0]);
        }
    SetMessageBoxHook(nullptr);
    EXPECT_GT(files, 0);
}

// The program never frees its models; they must still be reachable when a leak checker looks at
// exit, after static destruction. In the sanitizer build a leak report makes the child fail.
TEST(ModelSet, OutlivesStaticDestruction) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            g_LoadASE.ImportASE(&modeller[1], "fuzz/seeds/ase/two_objects.ASE");
            std::exit(modeller[1].objectCount == 2 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
