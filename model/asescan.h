// Formatted reading of a file held in memory, character for character as glibc's fscanf and fgets
// read a stream: the same characters consumed, the same values, the same failures. The reader
// scans the same file many times, and doing it on memory instead of a FILE* is what makes that
// cheap; its results must stay exactly those of the C library.
#pragma once

#include <cstddef>
#include <cstring>

namespace asescan {

struct Input {
    const char* pos;
    const char* end;
};

// White space as scanf sees it in the C locale.
inline bool isSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A white-space character of a pattern: any amount of white space, none included.
inline void skipSpace(Input& in) {
    while (in.pos < in.end && isSpace(static_cast<unsigned char>(*in.pos)))
        ++in.pos;
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
