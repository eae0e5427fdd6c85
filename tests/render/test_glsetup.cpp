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
#include <vector>

extern initGL start;

namespace {
const char* const modelFiles[] = {"models/stang.ASE", "models/hjul.ASE", "models/figur.ASE",
                                  "models/figur2.ASE"};

class GLSetup : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        SetMessageBoxHook([this](const char* text, const char* caption, UINT) {
            shown.push_back(std::string(caption) + ": " + text);
            return IDOK;
        });
        start.ReSizeGLScene(gl.width, gl.height);
        hDC = gl.dc; // the font is made in the shell's device context
        // Each test starts from an empty model set, as the program does.
        for (t3DModel& model : modeller)
            releaseModel(model);
    }
    void TearDown() override { SetMessageBoxHook(nullptr); }

    // Every model a red textured square, and a green ground.
    void writeAllFiles() {
        dir.writeBMP("models/red.bmp", 8, 8, 255, 0, 0);
        for (const char* file : modelFiles)
            dir.write(file, squareModel(10, 0, "models/red.bmp"));
        dir.writeBMP("models/Razedud.bmp", 16, 16, 0, 255, 0);
    }

    GLContext gl;
    ScratchDir dir;
    std::vector<std::string> shown;
};

float fogf(GLenum name) {
    GLfloat value = 0;
    glGetFloatv(name, &value);
    return value;
}

TEST_F(GLSetup, StateReadsBackAsSet) {
    writeAllFiles();
    ASSERT_EQ(start.InitGL(), 1);
    EXPECT_TRUE(shown.empty());

    for (GLenum cap : {GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_LIGHT0, GL_LIGHT1, GL_FOG})
        EXPECT_TRUE(glIsEnabled(cap)) << cap;
    for (GLenum cap : {GL_LIGHT2, GL_LIGHTING})
        EXPECT_FALSE(glIsEnabled(cap)) << cap;
    const GLenum expected[][2] = {{GL_DEPTH_FUNC, GL_LEQUAL},   {GL_SHADE_MODEL, GL_SMOOTH},
                                  {GL_CULL_FACE_MODE, GL_BACK}, {GL_FRONT_FACE, GL_CCW},
                                  {GL_FOG_MODE, GL_EXP},        {GL_UNPACK_ALIGNMENT, 1}};
    GLint value = 0;
    for (const auto& pair : expected) {
        glGetIntegerv(pair[0], &value);
        EXPECT_EQ(static_cast<GLenum>(value), pair[1]) << pair[0];
    }
    EXPECT_FLOAT_EQ(fogf(GL_FOG_DENSITY), 0.03f);
    GLfloat colour[4];
    glGetFloatv(GL_FOG_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.5f);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.7f);
    for (GLenum light : {GL_LIGHT0, GL_LIGHT1, GL_LIGHT2}) {
        glGetLightfv(light, GL_DIFFUSE, colour);
        EXPECT_FLOAT_EQ(colour[1], 0.5f);
    }
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.0f); // left at OpenGL's default

    // The ground in three versions; the mipmapped one stays bound.
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), texture[2]);
    const GLint filters[3][2] = {
        {GL_NEAREST, GL_NEAREST}, {GL_LINEAR, GL_LINEAR}, {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST}};
    for (int i = 0; i < 3; ++i) {
        glBindTexture(GL_TEXTURE_2D, texture[i]);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
        EXPECT_EQ(value, filters[i][0]) << i;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
        EXPECT_EQ(value, filters[i][1]) << i;
    }

    // The models were read first, so their textures have the lower names.
    for (int i = 0; i < antalObjekt; ++i) {
        EXPECT_EQ(modeller[i].objectCount, 1) << i;
        EXPECT_NE(texturer[i][0], 0u) << i;
        EXPECT_LT(texturer[i][0], texture[0]) << i;
        EXPECT_EQ(modeller[i].materials[0].textureId, 0);
    }
    EXPECT_TRUE(glIsList(base));
    EXPECT_TRUE(glIsList(base + 95));
}

// The ground's rows are read as the loader packs them, however the context was left: without a
// textured model nothing else sets the unpack alignment, and 3 pixels make rows of 9 bytes.
TEST_F(GLSetup, OddWidthGroundIsReadRowByRow) {
    for (const char* file : modelFiles)
        dir.write(file, squareModel(10, 0, ""));
    dir.writeBMP("models/Razedud.bmp", 3, 3, 10, 20, 30, 100);
    ASSERT_EQ(start.InitGL(), 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (GLuint name : {texture[0], texture[1]}) {
        glBindTexture(GL_TEXTURE_2D, name);
        unsigned char rgb[27] = {};
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        for (int pixel = 0; pixel < 9; ++pixel)
            EXPECT_EQ(rgb[3 * pixel], 10 + 100 * (pixel / 3)) << "texture " << name;
    }
}

TEST_F(GLSetup, MissingModelIsReportedOnceAndLeftEmpty) {
    writeAllFiles();
    std::remove("models/hjul.ASE");
    ASSERT_EQ(start.InitGL(), 1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Error: Unable to find or open the file: models/hjul.ASE");
    EXPECT_EQ(modeller[1].objectCount, 0);
    EXPECT_EQ(modeller[1].materialCount, 0);
    EXPECT_EQ(modeller[2].objectCount, 1);
}

TEST_F(GLSetup, MissingGroundFailsAfterTheModelsWereRead) {
    writeAllFiles();
    std::remove("models/Razedud.bmp");
    EXPECT_EQ(start.InitGL(), 0);
    EXPECT_EQ(modeller[3].objectCount, 1);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(GLSetup, MissingMaterialBitmapStopsWithAMessageAndFailure) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    writeAllFiles();
    std::remove("models/red.bmp");
    SetMessageBoxHook([](const char* text, const char* caption, UINT) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return IDOK;
    });
    EXPECT_EXIT(start.InitGL(), ::testing::ExitedWithCode(1),
                "Error: Unable to find or open the file: models/red.bmp");
}

// Looks straight down at the square of model 0 from above.
void lookDown() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);
    glTranslatef(0, -30, 0);
}

TEST_F(GLSetup, ModelIsDrawnTexturedWhereItLies) {
    writeAllFiles();
    dir.writeBMP("models/blue.bmp", 4, 4, 0, 0, 255);
    dir.write("models/stang.ASE", squareModel(5, 0, "models/blue.bmp"));
    ASSERT_EQ(start.InitGL(), 1);
    // Lit as in the scene, so that the colour calls do not tint the surface.
    glEnable(GL_LIGHTING);
    glDisable(GL_FOG);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    lookDown();
    ld.RenderScene(0);
    const std::uint32_t textured = gl.pixel(gl.width / 2, gl.height / 2);
    EXPECT_EQ(textured & 0xffff00u, 0u) << std::hex << textured; // blue only
    EXPECT_GT(textured & 0xffu, 0x20u) << std::hex << textured;
    EXPECT_EQ(gl.pixel(5, 5), 0x000000u); // the square covers only the middle

    // The same square without texture coordinates is drawn untextured.
    dir.write("models/figur.ASE", squareModel(5, 0, ""));
    releaseModel(modeller[2]);
    ld.Init();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ld.RenderScene(2);
    const std::uint32_t grey = gl.pixel(gl.width / 2, gl.height / 2);
    EXPECT_GT(grey & 0xffu, 0x20u) << std::hex << grey;
    EXPECT_EQ(grey >> 16, grey & 0xffu) << std::hex << grey; // lit grey, no texture

    // With texture coordinates but no material, or one past the texture table, the square is
    // still drawn, with texture name 0 bound: lit grey as well.
    const std::string square = squareModel(5, 0, "models/blue.bmp");
    const std::string::size_type ref = square.find("*MATERIAL_REF 0");
    for (const std::string& number : {std::string("150"), std::string("-1")}) {
        dir.write("models/figur.ASE",
                  square.substr(0, ref) + "*MATERIAL_REF " + number + square.substr(ref + 15));
        releaseModel(modeller[2]);
        ld.Init();
        ASSERT_TRUE(modeller[2].objects[0].hasTexture);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        ld.RenderScene(2);
        EXPECT_EQ(gl.pixel(gl.width / 2, gl.height / 2), grey) << number;
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << number;
    }
}

TEST_F(GLSetup, GroundShowsThroughTheFogNearTheVehicle) {
    writeAllFiles();
    dir.writeBMP("models/Razedud.bmp", 16, 16, 255, 0, 0);
    ASSERT_EQ(start.InitGL(), 1);
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    obj.drawScene(0, 0, 0.3f);
    // A few units in front of the camera the red ground keeps most of its colour; drowned in
    // the grey fog it would be grey here.
    const std::uint32_t near = gl.pixel(gl.width / 2, 20);
    const int red = near >> 16, green = (near >> 8) & 0xff;
    EXPECT_GT(red, green + 60) << std::hex << near;
    EXPECT_LT(green, 60) << std::hex << near;
}

TEST_F(GLSetup, BrokenIndicesAreSkippedNotRead) {
    CVector3 vertices[3] = {{-5, 0, 5}, {5, 0, 5}, {5, 0, -5}};
    CVector3 normals[3] = {{0, 1, 0}, {0, 1, 0}, {0, 1, 0}};
    CVector2 uv[1] = {{0.5f, 0.5f}};
    tFace faces[3] = {{{0, 1, 2}, {0, 0, 7}},   // bad texture index: that corner has none
                      {{0, 1, 3}, {0, 0, 0}},   // vertex 3 does not exist: face skipped
                      {{-1, 0, 1}, {0, 0, 0}}}; // negative index: face skipped
    t3DObject object = {};
    object.vertexCount = 3;
    object.faceCount = 3;
    object.texVertexCount = 1;
    object.materialId = 150; // no texture slot
    object.hasTexture = true;
    object.vertices = vertices;
    object.normals = normals;
    object.texVertices = uv;
    object.faces = faces;
    t3DModel& model = modeller[3];
    releaseModel(model);
    model.objectCount = 3; // more objects counted than the container holds
    model.objects.push_back(object);
    object.materialId = 0;
    model.objects.push_back(object);
    object.hasTexture = false;
    object.materialId = 5; // beyond the model's materials: no colour
    model.objects.push_back(object);
    model.objectCount = 3;

    lookDown();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    ld.RenderScene(3);
    ld.RenderScene(-1);
    ld.RenderScene(4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    model = t3DModel();
}

TEST_F(GLSetup, TextLeavesGlyphsAndTheCallersListBase) {
    t.BuildFont();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -6);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glListBase(7);
    glRasterPos2f(-1, 0);
    t.glPrint("%4.2f", 12.5);
    GLint listBase = 0;
    glGetIntegerv(GL_LIST_BASE, &listBase);
    EXPECT_EQ(listBase, 7);

    const std::vector<std::uint8_t> rgb = gl.readRGB();
    int lit = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
        lit += rgb[i] > 128;
    EXPECT_GT(lit, 50); // "12.50" left glyph pixels
    EXPECT_LT(lit, 5000);
}

TEST_F(GLSetup, PrintsNothingForANullFormatAndCutsLongResults) {
    t.BuildFont();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -6);
    GLfloat startPos[4], endPos[4];
    glRasterPos2f(-1, 0);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, startPos);
    t.glPrint(nullptr);
    glGetFloatv(GL_CURRENT_RASTER_POSITION, endPos);
    EXPECT_EQ(startPos[0], endPos[0]);

    t.glPrint("x");
    glGetFloatv(GL_CURRENT_RASTER_POSITION, endPos);
    const float advance = endPos[0] - startPos[0];
    ASSERT_GT(advance, 0);

    glRasterPos2f(-1, 0);
    t.glPrint("%s", std::string(1000, 'x').c_str());
    glGetFloatv(GL_CURRENT_RASTER_POSITION, endPos);
    EXPECT_NEAR(endPos[0] - startPos[0], 255 * advance, 0.5);
}
} // namespace
