// The overlay's glyphs, rasterised when the page is built (tools/glyphtable.cpp writes the
// table): the bold monospaced face that fontconfig gives for "Courier New" at a character height
// of 24 pixels, as the desktop build draws it.
#pragma once

namespace platform {

// A glyph as glBitmap takes it: rows bottom first, each row whole bytes, most significant bit
// first; its origin relative to the pen on the baseline, and the pen's advance.
struct Glyph {
    int width;
    int rows;
    float xorig;
    float yorig;
    float advance;
    const unsigned char* bits;
};

// The glyph of a character code; an empty glyph that does not advance for codes without one.
const Glyph& glyph(unsigned code);

} // namespace platform
