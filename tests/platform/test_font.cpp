// The program's bold 24-pixel "Courier New" built with wglUseFontBitmapsA, drawn and read back.
#include "support/glcontext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {
const int width = 320;
const int height = 80;
const int baseline = 30;

// Dark pixels in each row of the frame (bottom first), their rows and where the raster position
// ended.
struct Ink {
    std::vector<int> rows = std::vector<int>(height);
    int count = 0, bottom = height, top = 0;
    float endX = 0;
};

class Font : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok());
        glMatrixMode(GL_PROJECTION);
        glOrtho(0, width, 0, height, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        base = glGenLists(96);
    }

    // Builds the lists of characters 32 to 127 as the program does.
    bool build(int weight) {
        HFONT font = CreateFontA(-24, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                 OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                                 FF_DONTCARE | DEFAULT_PITCH, "Courier New");
        HGDIOBJ previous = SelectObject(gl.dc, font);
        const BOOL built = wglUseFontBitmapsA(gl.dc, 32, 96, base);
        SelectObject(gl.dc, previous);
        return built && DeleteObject(font);
    }

    // Prints in black on white from (10, baseline).
    Ink print(const char* text) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0, 0, 0);
        glRasterPos2i(10, baseline);
        glListBase(base - 32);
        glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
        Ink ink;
        GLfloat raster[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
        ink.endX = raster[0];
        const std::vector<std::uint8_t> rgb = gl.readRGB();
        for (int i = 0; i < width * height; ++i)
            ink.rows[i / width] += rgb[3 * i] < 128;
        for (int y = 0; y < height; ++y)
            if (ink.rows[y]) {
                ink.count += ink.rows[y];
                ink.bottom = std::min(ink.bottom, y);
                ink.top = y;
            }
        return ink;
    }

    GLContext gl{width, height};
    GLuint base = 0;
};

TEST_F(Font, GlyphsStandUprightOnTheBaselineAndAdvanceEvenly) {
    ASSERT_TRUE(build(FW_BOLD));
    const Ink m = print("M");
    const float advance = m.endX - 10;
    EXPECT_NEAR(advance, 14, 1) << "a 24-pixel em of a Courier-metric face";
    EXPECT_EQ(m.bottom, baseline) << "capitals stand on the baseline";

    const Ink text = print("Mi gM");
    EXPECT_FLOAT_EQ(text.endX, 10 + 5 * advance) << "every glyph advances alike";
    EXPECT_LT(text.bottom, baseline) << "g descends below the baseline";
    // T is wide at the top and narrow at the foot: the rows are not upside down.
    const Ink t = print("T");
    EXPECT_GT(t.rows[t.top], 3 * t.rows[t.bottom]);
}

TEST_F(Font, BoldIsHeavierAndTheCallersPixelStoreIsKept) {
    ASSERT_TRUE(build(FW_BOLD));
    const int boldInk = print("Mg").count;
    ASSERT_TRUE(build(400)); // regular
    EXPECT_LT(print("Mg").count, boldInk);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    ASSERT_TRUE(build(FW_BOLD));
    GLint store[3] = {};
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &store[0]);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &store[1]);
    glGetIntegerv(GL_UNPACK_LSB_FIRST, &store[2]);
    EXPECT_EQ(store[0], 8);
    EXPECT_EQ(store[1], 3);
    EXPECT_EQ(store[2], GL_TRUE);
    EXPECT_EQ(print("Mg").count, boldInk) << "the glyphs do not depend on the caller's state";
}
} // namespace
