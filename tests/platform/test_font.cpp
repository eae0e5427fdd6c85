// The program's bold 24-pixel "Courier New" built with wglUseFontBitmapsA, drawn and read back.
#include "support/glcontext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {
const int width = 320;
const int height = 80;
const int baseline = 30;

// Builds the lists of characters 32 to 127 as the program does.
bool build(HDC dc, int weight, GLuint base) {
    HFONT font = CreateFontA(-24, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH,
                             "Courier New");
    HGDIOBJ previous = SelectObject(dc, font);
    const BOOL built = wglUseFontBitmapsA(dc, 32, 96, base);
    SelectObject(dc, previous);
    return built && DeleteObject(font);
}

// Prints in black on white from (10, baseline); gives the dark pixels of each row, bottom first.
std::vector<int> print(const GLContext& gl, const char* text) {
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(10, baseline);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    const std::vector<std::uint8_t> rgb = gl.readRGB();
    std::vector<int> rows(height);
    for (int i = 0; i < width * height; ++i)
        rows[i / width] += rgb[3 * i] < 128;
    return rows;
}

int ink(const std::vector<int>& rows) {
    return std::accumulate(rows.begin(), rows.end(), 0);
}

TEST(Font, BoldGlyphsStandUprightAndTheCallersPixelStoreIsKept) {
    GLContext gl(width, height);
    ASSERT_TRUE(gl.ok());
    glOrtho(0, width, 0, height, -1, 1);
    glClearColor(1, 1, 1, 1);
    glColor3f(0, 0, 0);
    const GLuint base = glGenLists(96);
    glListBase(base - 32);
    ASSERT_TRUE(build(gl.dc, 400, base));
    const int regular = ink(print(gl, "Mg"));

    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    ASSERT_TRUE(build(gl.dc, FW_BOLD, base));
    GLint alignment = 0, rowLength = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 3);
    EXPECT_GT(ink(print(gl, "Mg")), regular) << "bold is heavier";

    // Capitals stand on the baseline, and T is wide at the top and narrow at the foot: the rows
    // are not upside down.
    const std::vector<int> t = print(gl, "T");
    const auto foot = std::find_if(t.begin(), t.end(), [](int n) { return n > 0; });
    const auto top = std::find_if(t.rbegin(), t.rend(), [](int n) { return n > 0; });
    EXPECT_EQ(foot - t.begin(), baseline);
    EXPECT_GT(*top, 3 * *foot);
}
} // namespace
