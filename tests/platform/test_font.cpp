// The program's bold 24-pixel "Courier New" built with wglUseFontBitmapsA, drawn and read back.
#include "support/glcontext.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

namespace {
// Builds the lists of characters 32 to 127 as the program does, prints the text in black on white
// from (10, 30) and gives the dark pixels of each row, bottom first.
std::vector<int> print(const GLContext& gl, int weight, const char* text) {
    HFONT font = CreateFontA(-24, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_PRECIS,
                             CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, FF_DONTCARE | DEFAULT_PITCH,
                             "Courier New");
    HGDIOBJ previous = SelectObject(gl.dc, font);
    const GLuint base = glGenLists(96);
    EXPECT_TRUE(wglUseFontBitmapsA(gl.dc, 32, 96, base));
    SelectObject(gl.dc, previous);
    DeleteObject(font);
    glClear(GL_COLOR_BUFFER_BIT);
    glRasterPos2i(10, 30);
    glListBase(base - 32);
    glCallLists(static_cast<GLsizei>(std::strlen(text)), GL_UNSIGNED_BYTE, text);
    const std::vector<std::uint8_t> rgb = gl.readRGB();
    std::vector<int> rows(gl.height);
    for (int i = 0; i < gl.width * gl.height; ++i)
        rows[i / gl.width] += rgb[3 * i] < 128;
    return rows;
}

TEST(Font, BoldGlyphsStandUprightAndTheCallersPixelStoreIsKept) {
    GLContext gl(320, 80);
    ASSERT_TRUE(gl.ok());
    glOrtho(0, 320, 0, 80, -1, 1);
    glClearColor(1, 1, 1, 1);
    glColor3f(0, 0, 0);
    const std::vector<int> regular = print(gl, 400, "T"); // regular;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 3);
    const std::vector<int> t = print(gl, FW_BOLD, "T");
    GLint alignment = 0, rowLength = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(alignment, 8);
    EXPECT_EQ(rowLength, 3);
    EXPECT_GT(std::accumulate(t.begin(), t.end(), 0),
              std::accumulate(regular.begin(), regular.end(), 0))
        << "bold is heavier";
    // T stands on the baseline, wide at the top and narrow at the foot: the rows are not upside
    // down.
    const auto foot = std::find_if(t.begin(), t.end(), [](int n) { return n > 0; });
    const auto top = std::find_if(t.rbegin(), t.rend(), [](int n) { return n > 0; });
    EXPECT_EQ(foot - t.begin(), 30);
    EXPECT_GT(*top, 3 * *foot);
}
} // namespace
