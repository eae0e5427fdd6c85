// Writes the web page's overlay glyphs as C++ (platform/web/glyphs.h): the characters 32 to 127
// of the face fontconfig gives for bold "Courier New" at a character height of 24 pixels,
// rendered one bit a pixel as the desktop build renders them, so the page's text matches.
// Usage: glyphtable OUTPUT.cpp
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <cstdio>
#include <string>
#include <vector>

namespace {
FT_Face openFace(FT_Library library) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("Courier New"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(700));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    FT_Face face = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        std::fprintf(stderr, "glyphtable: %s\n", reinterpret_cast<const char*>(file));
        if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) != 0)
            face = nullptr;
    }
    int weight = FC_WEIGHT_REGULAR;
    if (match)
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    if (face && weight < FC_WEIGHT_DEMIBOLD)
        face->generic.data = face; // marks a face that must be emboldened
    if (match)
        FcPatternDestroy(match);
    return face;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: glyphtable OUTPUT.cpp\n");
        return 2;
    }
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0 || !FcInit())
        return 1;
    FT_Face face = openFace(library);
    if (!face || FT_Set_Pixel_Sizes(face, 0, 24) != 0) {
        std::fprintf(stderr, "glyphtable: no face for Courier New\n");
        return 1;
    }
    std::string table;
    std::string bitsOut;
    for (unsigned code = 32; code < 128; ++code) {
        int width = 0, rows = 0, left = 0, top = 0;
        long advance = 0;
        std::vector<unsigned char> bits;
        FT_GlyphSlot slot = face->glyph;
        if (FT_Load_Glyph(face, FT_Get_Char_Index(face, code), FT_LOAD_TARGET_MONO) == 0) {
            if (face->generic.data)
                FT_GlyphSlot_Embolden(slot);
            advance = (slot->advance.x + 32) >> 6;
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0 &&
                slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                width = static_cast<int>(slot->bitmap.width);
                rows = static_cast<int>(slot->bitmap.rows);
                left = slot->bitmap_left;
                top = slot->bitmap_top;
                const int stride = (width + 7) / 8;
                const int pitch = slot->bitmap.pitch < 0 ? -slot->bitmap.pitch : slot->bitmap.pitch;
                // Bottom row first; FreeType's rows run top first for a positive pitch.
                for (int row = rows - 1; row >= 0; --row) {
                    const int source = slot->bitmap.pitch >= 0 ? row : rows - 1 - row;
                    const unsigned char* from = slot->bitmap.buffer + source * pitch;
                    bits.insert(bits.end(), from, from + stride);
                }
            }
        }
        char line[160];
        std::snprintf(line, sizeof line, "    {%d, %d, %d.0f, %d.0f, %ld.0f, kBits%u},\n", width,
                      rows, -left, rows - top, advance, code);
        table += line;
        bitsOut += "const unsigned char kBits" + std::to_string(code) + "[] = {";
        for (unsigned char b : bits)
            bitsOut += std::to_string(b) + ",";
        bitsOut += "0};\n";
    }
    std::FILE* out = std::fopen(argv[1], "w");
    if (!out)
        return 1;
    std::fprintf(out,
                 "// Written by tools/glyphtable.\n#include \"platform/web/glyphs.h\"\n\n"
                 "namespace platform {\nnamespace {\n%s\nconst Glyph kGlyphs[96] = {\n%s};\n"
                 "const Glyph kNone = {0, 0, 0, 0, 0, nullptr};\n} // namespace\n\n"
                 "const Glyph& glyph(unsigned code) {\n"
                 "    return code >= 32 && code < 128 ? kGlyphs[code - 32] : kNone;\n}\n\n"
                 "} // namespace platform\n",
                 bitsOut.c_str(), table.c_str());
    std::fclose(out);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return 0;
}
