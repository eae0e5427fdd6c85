// Fonts and their display lists: the program's bold 24-pixel "Courier New" drawn through
// wglUseFontBitmapsA and read back from the frame.
#include "tests/platform/support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>

namespace {
const auto* const g_display = PrivateDisplay("1024x768x24");
const int width = 320;
const int height = 80;
const int baseline = 30;

HFONT programFont(int weight) {
    return CreateFontA(-24, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                       CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH,
                       "Courier New");
}

// Where the dark pixels of the frame lie.
struct Ink {
    int count = 0;
    int left = width, right = -1, bottom = height, top = -1;
    int widthOfRow(int row) const {
        int first = width, last = -1;
        for (int x = 0; x < width; ++x)
            if (pixels[(row * width + x) * 3] < 128) {
                first = std::min(first, x);
                last = x;
            }
        return last < 0 ? 0 : last - first + 1;
    }
    std::vector<unsigned char> pixels;
};

class Font : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(window.Create("Font", WS_OVERLAPPEDWINDOW, width, height));
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0, width, 0, height, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        base = glGenLists(96);
    }
    void TearDown() override { window.Destroy(); }

    // Builds the 96 lists of characters 32 to 127 as the program does.
    bool build(int weight) {
        HFONT font = programFont(weight);
        HGDIOBJ previous = SelectObject(window.dc, font);
        const BOOL built = wglUseFontBitmapsA(window.dc, 32, 96, base);
        SelectObject(window.dc, previous);
        return built && DeleteObject(font);
    }

    // Prints at (10, baseline) on white and gives the ink and where the raster position ends.
    Ink print(const char* text, float* endX = nullptr) {
        glClearColor(1, 1, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor3f(0, 0, 0);
        glRasterPos2i(10, baseline);
        glListBase(base - 32);
        glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
        GLfloat raster[4] = {};
        glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
        if (endX)
            *endX = raster[0];
        Ink ink;
        ink.pixels.resize(width * height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, ink.pixels.data());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (ink.pixels[(y * width + x) * 3] < 128) {
                    ++ink.count;
                    ink.left = std::min(ink.left, x);
                    ink.right = std::max(ink.right, x);
                    ink.bottom = std::min(ink.bottom, y);
                    ink.top = std::max(ink.top, y);
                }
        return ink;
    }

    GLWindow window;
    GLuint base = 0;
};

TEST_F(Font, GlyphsSitOnTheBaselineUprightAndAdvanceEvenly) {
    ASSERT_TRUE(build(FW_BOLD));
    float afterOne = 0;
    const Ink m = print("M", &afterOne);
    const float advance = afterOne - 10;
    EXPECT_NEAR(advance, 14, 1) << "a 24-pixel em of a Courier-metric face";
    EXPECT_EQ(m.bottom, baseline) << "capitals stand on the baseline";
    EXPECT_GE(m.top - m.bottom + 1, 14);
    EXPECT_LE(m.top, baseline + 24);
    EXPECT_GE(m.left, 10);

    float afterText = 0;
    const Ink text = print("Mi gM", &afterText);
    EXPECT_FLOAT_EQ(afterText, 10 + 5 * advance) << "every glyph advances alike";
    EXPECT_LT(text.bottom, baseline) << "g descends below the baseline";
    EXPECT_LE(text.right, 10 + 5 * advance);

    // T is wide at the top and narrow at the foot: the rows are not upside down.
    const Ink t = print("T");
    EXPECT_GT(t.widthOfRow(t.top), 3 * t.widthOfRow(t.bottom));

    float afterSpace = 0;
    EXPECT_EQ(print(" ", &afterSpace).count, 0);
    EXPECT_FLOAT_EQ(afterSpace, 10 + advance);
}

TEST_F(Font, BoldIsHeavierAndTheCallersPixelStoreIsKept) {
    ASSERT_TRUE(build(FW_BOLD));
    const int boldInk = print("Mg").count;
    ASSERT_TRUE(build(400));
    EXPECT_LT(print("Mg").count, boldInk);

    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_TRUE);
    ASSERT_TRUE(build(FW_BOLD));
    GLint alignment = 0;
    GLint rowLength = 0;
    GLint lsbFirst = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    glGetIntegerv(GL_UNPACK_LSB_FIRST, &lsbFirst);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 3);
    EXPECT_EQ(lsbFirst, GL_TRUE);
    EXPECT_EQ(print("Mg").count, boldInk) << "the glyphs do not depend on the caller's state";
}

TEST_F(Font, SelectionAndDeletionFollowGdi) {
    HFONT font = programFont(FW_BOLD);
    HGDIOBJ stock = SelectObject(window.dc, font);
    ASSERT_NE(stock, nullptr) << "a device context starts with a font";
    EXPECT_FALSE(DeleteObject(font)) << "still selected";
    EXPECT_EQ(SelectObject(window.dc, stock), font);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(font));
    EXPECT_EQ(SelectObject(window.dc, font), nullptr);
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(SelectObject(window.dc, stock), stock) << "stock fonts are never deleted";

    wglMakeCurrent(nullptr, nullptr);
    EXPECT_FALSE(wglUseFontBitmapsA(window.dc, 32, 96, base)) << "no current context";
    wglMakeCurrent(window.dc, window.rc);
    EXPECT_FALSE(wglUseFontBitmapsA(nullptr, 32, 96, base));
}
} // namespace
