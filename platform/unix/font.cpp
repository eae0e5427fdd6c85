// GDI fonts and wglUseFontBitmapsA on fontconfig and FreeType.
//
// CreateFontA asks fontconfig for the face by name, weight and slant (so "Courier New" finds a
// metric-compatible face such as Liberation Mono) and FreeType renders it; a bold request on a
// face without a bold file is emboldened, as GDI does. A negative height is the character
// height (the em) in pixels, a positive one the cell height, 0 a 16-pixel cell; sizes are held
// to 1 to 2048 pixels. wglUseFontBitmapsA compiles one glBitmap per character: a monochrome
// bitmap, rows bottom first, placed on the baseline at the raster position and advancing it by
// the glyph's width in whole pixels, so consecutive glyphs line up.
//
// Differs from Win32: the width, escapement, orientation, underline, strike-out, character set,
// precision, quality and pitch arguments are not looked at; character codes are Unicode code
// points (which the ANSI code page matches from 32 to 126 and 160 to 255); a code the face lacks
// gets the face's missing-glyph shape. The face is found when the font is first used.
#include "internal.h"

#include <GL/gl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {
struct Font {
    std::string face;
    int height = 0;
    int weight = 0;
    bool italic = false;
    bool stock = false;
    FT_Face ft = nullptr; // opened on first use
    bool embolden = false;
};

// Never destroyed: a font the program left undeleted stays reachable until the process ends.
std::map<std::uintptr_t, Font>& g_fonts = *new std::map<std::uintptr_t, Font>;

Font* findFont(HGDIOBJ object) {
    auto it = g_fonts.find(handleId(object));
    return it == g_fonts.end() ? nullptr : &it->second;
}

FT_Library library() {
    static FT_Library ft = nullptr;
    if (!ft && FT_Init_FreeType(&ft) != 0)
        ft = nullptr;
    return ft;
}

// fontconfig keeps its configuration until FcFini, which a leak checker would otherwise report.
bool startFontconfig() {
    static bool started = false;
    if (!started && FcInit()) {
        std::atexit(FcFini);
        started = true;
    }
    return started;
}

bool openFace(Font& font) {
    if (font.ft)
        return true;
    if (!library() || !startFontconfig())
        return false;
    FcPattern* pattern = FcPatternCreate();
    if (!font.face.empty())
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(font.face.c_str()));
    const int weight = std::clamp(font.weight > 0 ? font.weight : 400, 1, 1000);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* file = nullptr;
    int index = 0;
    int matchedWeight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
    bool opened = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
                  FT_New_Face(library(), reinterpret_cast<const char*>(file), index, &font.ft) == 0;
    FcPatternDestroy(match);
    if (!opened) {
        font.ft = nullptr;
        return false;
    }
    font.embolden = weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD;

    long pixels;
    if (font.height < 0) {
        pixels = -static_cast<long>(font.height);
    } else {
        const long cell = font.height > 0 ? font.height : 16;
        const long units = std::max<long>(1, font.ft->ascender - font.ft->descender);
        pixels = (cell * font.ft->units_per_EM + units / 2) / units;
    }
    pixels = std::clamp(pixels, 1L, 2048L);
    if (FT_Set_Pixel_Sizes(font.ft, 0, static_cast<FT_UInt>(pixels)) != 0) {
        FT_Done_Face(font.ft);
        font.ft = nullptr;
        return false;
    }
    return true;
}

// One glyph as glBitmap wants it: a monochrome bitmap with rows bottom first, one byte aligned,
// its origin relative to the pen on the baseline, and the pen's advance.
void compileGlyph(const Font& font, unsigned long code, GLuint list) {
    std::vector<GLubyte> bits;
    int width = 0;
    int rows = 0;
    float xorig = 0;
    float yorig = 0;
    float advance = 0;
    FT_GlyphSlot slot = font.ft->glyph;
    if (FT_Load_Glyph(font.ft, FT_Get_Char_Index(font.ft, code), FT_LOAD_TARGET_MONO) == 0) {
        if (font.embolden)
            FT_GlyphSlot_Embolden(slot);
        advance = static_cast<float>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0 &&
            slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            const FT_Bitmap& bitmap = slot->bitmap;
            width = static_cast<int>(bitmap.width);
            rows = static_cast<int>(bitmap.rows);
            const int stride = (width + 7) / 8;
            const int pitch = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
            bits.resize(static_cast<size_t>(stride) * rows);
            for (int row = 0; row < rows; ++row) {
                // FreeType's rows run top first for a positive pitch, bottom first otherwise.
                const int source = bitmap.pitch >= 0 ? row : rows - 1 - row;
                std::copy_n(bitmap.buffer + static_cast<size_t>(source) * pitch, stride,
                            bits.begin() + static_cast<size_t>(rows - 1 - row) * stride);
            }
            xorig = static_cast<float>(-slot->bitmap_left);
            yorig = static_cast<float>(rows - slot->bitmap_top);
        }
    }
    glNewList(list, GL_COMPILE);
    glBitmap(width, rows, xorig, yorig, advance, 0, bits.empty() ? nullptr : bits.data());
    glEndList();
}
} // namespace

bool renderText(const std::string& text, int pixelHeight, TextImage& image) {
    // Made once and kept: the boxes of one run share the face.
    static Font& face = [&]() -> Font& {
        Font& font = *new Font;
        font.face = "sans-serif";
        font.height = -pixelHeight;
        font.weight = 400;
        return font;
    }();
    if (!openFace(face))
        return false;
    const FT_Size_Metrics& metrics = face.ft->size->metrics;
    const int ascent = static_cast<int>((metrics.ascender + 63) >> 6);
    image.height = ascent + static_cast<int>((-metrics.descender + 63) >> 6);
    image.width = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(face.ft, c, FT_LOAD_DEFAULT) == 0)
            image.width += static_cast<int>((face.ft->glyph->advance.x + 32) >> 6);
    image.coverage.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    int pen = 0;
    for (unsigned char c : text) {
        if (FT_Load_Char(face.ft, c, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = face.ft->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int y = ascent - slot->bitmap_top + static_cast<int>(row);
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int x = pen + slot->bitmap_left + static_cast<int>(column);
                if (x < 0 || x >= image.width || y < 0 || y >= image.height)
                    continue;
                unsigned char& out = image.coverage[static_cast<std::size_t>(y) * image.width + x];
                out = std::max(out, bitmap.buffer[row * bitmap.pitch + column]);
            }
        }
        pen += static_cast<int>((slot->advance.x + 32) >> 6);
    }
    return true;
}

HGDIOBJ stockFont() {
    static const std::uintptr_t id = [] {
        const std::uintptr_t stock = newHandleId();
        g_fonts[stock].stock = true;
        return stock;
    }();
    return toHandle<HGDIOBJ>(id);
}

} // namespace platform

using namespace platform;

HFONT CreateFontA(int height, int, int, int, int weight, DWORD italic, DWORD, DWORD, DWORD, DWORD,
                  DWORD, DWORD, DWORD, LPCSTR faceName) {
    Font font;
    font.face = faceName ? faceName : "";
    font.height = std::clamp(height, -100000, 100000);
    font.weight = weight;
    font.italic = italic != 0;
    const std::uintptr_t id = newHandleId();
    g_fonts[id] = font;
    return toHandle<HFONT>(id);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    Window* window = findWindowByDC(dc);
    if (!window || !findFont(object))
        return nullptr;
    const HGDIOBJ previous = window->font;
    window->font = object;
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    Font* font = findFont(object);
    if (!font)
        return FALSE;
    if (font->stock)
        return TRUE;
    // A font still selected into a device context stays, so the context never holds a dangling
    // selection.
    for (auto& entry : windows())
        if (entry.second.font == object)
            return FALSE;
    if (font->ft)
        FT_Done_Face(font->ft);
    g_fonts.erase(handleId(object));
    return TRUE;
}

BOOL wglUseFontBitmapsA(HDC dc, DWORD first, DWORD count, DWORD listBase) {
    Window* window = findWindowByDC(dc);
    if (!window || !SDL_GL_GetCurrentContext())
        return FALSE;
    Font* font = findFont(window->font);
    if (!font || !openFace(*font))
        return FALSE;
    // glBitmap reads the unpack state when the list is compiled: set it for the glyph rows and
    // give the caller's back afterwards.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    for (DWORD i = 0; i < count; ++i)
        compileGlyph(*font, first + i, listBase + i);
    glPopClientAttrib();
    return TRUE;
}
