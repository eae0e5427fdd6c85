// Formatted reading of a file held in memory, character for character as glibc's fscanf and fgets
// read a stream: the same characters consumed, the same values, the same failures. The reader
// scans the same file many times, and doing it on memory instead of a FILE* is what makes that
// cheap; its results must stay exactly those of the C library.
#pragma once

#include <cstddef>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace asescan {

struct Input {
    const char* pos;
    const char* end;
};

// White space as scanf sees it in the C locale.
inline bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A white-space character of a pattern: any amount of white space, none included. Runs of tabs
// and padding are common in exports, so they are passed sixteen bytes at a time.
inline void skipSpace(Input& in) {
    const char* p = in.pos;
    if (p == in.end || !isSpace(static_cast<unsigned char>(*p)))
        return;
#ifdef __SSE2__
    for (; in.end - p >= 16; p += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i control = _mm_sub_epi8(chunk, _mm_set1_epi8('\t'));
        const __m128i space = _mm_or_si128(
            _mm_cmpeq_epi8(chunk, _mm_set1_epi8(' ')),
            _mm_cmpeq_epi8(_mm_min_epu8(control, _mm_set1_epi8('\r' - '\t')), control));
        const unsigned other = ~static_cast<unsigned>(_mm_movemask_epi8(space)) & 0xffff;
        if (other != 0) {
            in.pos = p + __builtin_ctz(other);
            return;
        }
    }
#endif
    while (p < in.end && isSpace(static_cast<unsigned char>(*p)))
        ++p;
    in.pos = p;
}

// One word as "%s" reads it. C code sees the word only up to its first NUL byte: `text` and
// `length` describe that part, `end` is where the word really ends.
struct Word {
    const char* text;
    std::size_t length;
    const char* end;

    template <std::size_t N> bool is(const char (&keyword)[N]) const {
        return length == N - 1 && std::memcmp(text, keyword, N - 1) == 0;
    }
};

// "%s". False when no word is left.
bool readWord(Input& in, Word& word);

// "%d": an optionally signed decimal number, wrapped into an int as glibc does (strtol's
// saturated long, then its low 32 bits). A sign without digits is consumed and fails.
bool readInt(Input& in, int& value);

// "%f", including glibc's handling of hexadecimal numbers, "inf", "infinity", "nan" and partial
// matches (which may consume characters and still fail). On failure `value` is not touched.
bool readFloat(Input& in, float& value);

// An ordinary character of a pattern: consumed when it is the next character, else left unread.
inline bool literal(Input& in, char c) {
    if (in.pos < in.end && *in.pos == c) {
        ++in.pos;
        return true;
    }
    return false;
}

// fgets into a buffer of 100: at most 99 characters, up to and including the next line break.
void skipLinePiece(Input& in);

} // namespace asescan
