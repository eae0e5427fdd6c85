// The set-up of a rendering context, the model set and the overlay text, read back from a real
// OpenGL context.
#include "platform/testhooks.h"
#include "render/drawObj.h"
#include "render/load.h"
#include "render/text.h"
#include "shell/openwindow.h"
#include "sim/InitGL.h"
#include "support/glcontext.h"
#include "support/release.h"
#include "support/scratch.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {
class GLSetup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        // Boxes go to standard error, where a death test can read them.
        SetMessageBoxHook([](const char* text, const char* caption, UINT) {
            std::fprintf(stderr, "%s: %s\n", caption, text);
            return IDOK;
        });
        start.ReSizeGLScene(gl.width, gl.height);
        hDC = gl.dc; // the font is made in the shell's device context
        // Each test starts from an empty model set, as the program does.
        for (t3DModel& model : modeller)
            releaseModel(model);
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    GLContext gl;
    ScratchDir dir;
};

// The ground's rows are read as the loader packs them, however the context was left: without a
// textured model (here none at all) nothing else sets the unpack alignment, and 3 pixels make
// rows of 9 bytes. Drawn, its red keeps most of its colour a few units in front of the camera,
// where the grey fog would drown a single quad reaching hundreds of units away.
TEST_F(GLSetup, OddWidthGroundIsReadRowByRowAndShowsThroughTheFog) {
    dir.writeBMP("models/Razedud.bmp", 3, 3, 150, 0, 0, 50);
    ASSERT_EQ(start.InitGL(), 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (GLuint name : {texture[0], texture[1]}) {
        glBindTexture(GL_TEXTURE_2D, name);
        unsigned char rgb[27] = {};
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        for (int pixel = 0; pixel < 9; ++pixel)
            EXPECT_EQ(rgb[3 * pixel], 150 + 50 * (pixel / 3)) << "texture " << name;
    }

    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    obj.drawScene(0, 0, 0.3f);
    const std::uint32_t near = gl.pixel(gl.width / 2, 20);
    const int red = near >> 16, green = (near >> 8) & 0xff;
    EXPECT_GT(red, green + 60) << std::hex << near;
    EXPECT_LT(green, 60) << std::hex << near;
}

TEST_F(GLSetup, MissingMaterialBitmapStopsWithAMessageAndFailure) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    dir.write("models/stang.ASE", squareModel(10, "models/red.bmp"));
    EXPECT_EXIT(ld.Init(), ::testing::ExitedWithCode(1),
                "Error: Unable to find or open the file: models/red.bmp");
}

// A textured object whose material has no slot in the texture table is still drawn, with texture
// name 0 bound, which holds no image: in plain red. A face that names a corner far outside the
// vertices is skipped, not read.
TEST_F(GLSetup, TexturedObjectWithoutASlotIsDrawnAndBrokenFacesSkipped) {
    dir.writeBMP("models/blue.bmp", 4, 4, 0, 0, 255);
    std::string square = squareModel(5, "models/blue.bmp");
    square.replace(square.find("*MATERIAL_REF 0"), 15,
                   "*MESH_FACE 1: A: 0 B: 2000000000 C: 3\n*MATERIAL_REF 150");
    dir.write("models/figur.ASE", square);
    ld.Init();
    ASSERT_TRUE(modeller[2].objects[0].hasTexture);
    // Straight down at the square from above.
    glRotatef(90, 1, 0, 0);
    glTranslatef(0, -30, 0);
    ld.RenderScene(2);
    EXPECT_EQ(gl.pixel(gl.width / 2, gl.height / 2), 0xff0000u);
    EXPECT_EQ(gl.pixel(5, 5), 0x000000u); // the square covers only the middle
}

// Text leaves the caller's list base alone and cuts a result to its first 255 characters.
TEST_F(GLSetup, TextKeepsTheListBaseAndCutsLongResults) {
    t.BuildFont();
    glTranslatef(0, 0, -6);
    glListBase(7);
    GLfloat startPos[4], endPos[4];
    glRasterPos2f(-1, 0);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, startPos);
    t.glPrint("x");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, endPos);
    const float advance = endPos[0] - startPos[0];
    ASSERT_GT(advance, 0);

    glRasterPos2f(-1, 0);
    t.glPrint("%s", std::string(1000, 'x').c_str());
    glGetFloatv(GL_CURRENT_RASTER_POSITION, endPos);
    EXPECT_NEAR(endPos[0] - startPos[0], 255 * advance, 0.5);
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 7);
}
} // namespace
