#include "render/text.h"

#include "shell/openwindow.h"
#include <windows.h>

#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

GLuint base = 0;

void text::BuildFont() {
    base = glGenLists(96);
    HFONT font = CreateFontA(-24, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             FF_DONTCARE | DEFAULT_PITCH, "Courier New");
    HGDIOBJ oldFont = SelectObject(hDC, font);
    wglUseFontBitmapsA(hDC, 32, 96, base);
    SelectObject(hDC, oldFont);
    DeleteObject(font);
}

void text::KillFont() {
    glDeleteLists(base, 96);
}

void text::glPrint(const char* fmt, ...) {
    if (fmt == nullptr)
        return;
    char buffer[256];
    va_list args;
    va_start(args, fmt);
    // Cut rather than overrun: a longer result keeps its first 255 characters.
    std::vsnprintf(buffer, sizeof buffer, fmt, args);
    va_end(args);

    glPushAttrib(GL_LIST_BIT);
    glListBase(base - 32);
    glCallLists(static_cast<GLsizei>(std::strlen(buffer)), GL_UNSIGNED_BYTE, buffer);
    glPopAttrib();
}
