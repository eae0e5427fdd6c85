// Formatted reading of a file held in memory, character for character as glibc's fscanf and fgets
// read a stream: the same characters consumed, the same values, the same failures. The reader
// scans the same file many times, and doing it on memory instead of a FILE* is what makes that
// cheap; its results must stay exactly those of the C library.
#pragma once

#include <cstddef>
#include <cstdint>
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

namespace detail {

// Every word and number as glibc reads it; the functions below take the common ones themselves.
bool readWord(Input& in, Word& word);
bool readInt(Input& in, int& value);
bool readFloat(Input& in, float& value);

// The run of decimal digits at p, appended to the digits of `value` (which wraps past 19 digits).
inline const char* digitRun(const char* p, const char* end, std::uint64_t& value) {
    for (; p < end && static_cast<unsigned char>(*p - '0') < 10; ++p)
        value = value * 10 + static_cast<unsigned>(*p - '0');
    return p;
}

// digits x 10^exponent with one correctly rounded operation, which is what strtof gives, when both
// the digits (up to 2^24) and the power of ten (up to 10^10) are exact floats. False otherwise.
inline bool scaleExactly(std::uint64_t digits, int exponent, bool negative, float& value) {
    static constexpr float kPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                                             1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    while (digits > (1u << 24) && digits % 10 == 0) {
        digits /= 10;
        ++exponent;
    }
    if (digits > (1u << 24) || exponent < -10 || exponent > 10)
        return false;
    float result = static_cast<float>(digits);
    result = exponent >= 0 ? result * kPowersOfTen[exponent] : result / kPowersOfTen[-exponent];
    value = negative ? -result : result;
    return true;
}

// A plain decimal, "[sign]digits[.digits]" with at most 19 digits and followed by nothing strtof
// would read on, scanned and converted in one go. False, with nothing consumed, for anything else.
inline bool readPlainFloat(Input& in, float& value) {
    const char* p = in.pos;
    const char* const end = in.end;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    // The digits on both sides of the point make one number; the point sets the exponent.
    std::uint64_t digits = 0;
    const char* const whole = p;
    p = digitRun(p, end, digits);
    std::ptrdiff_t count = p - whole;
    std::ptrdiff_t fractionDigits = 0;
    if (p < end && *p == '.') {
        const char* const fraction = ++p;
        p = digitRun(p, end, digits);
        fractionDigits = p - fraction;
        count += fractionDigits;
    }
    if (count == 0 || count > 19 || (p < end && ((*p | 0x20) == 'e' || (*p | 0x20) == 'x')) ||
        !scaleExactly(digits, -static_cast<int>(fractionDigits), negative, value))
        return false;
    in.pos = p;
    return true;
}

} // namespace detail

// "%s". False when no word is left.
inline bool readWord(Input& in, Word& word) {
    skipSpace(in);
#ifdef __SSE2__
    // A word that ends in white space within sixteen bytes, as keywords do, is found at once.
    if (in.end - in.pos >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in.pos));
        const __m128i limit = _mm_set1_epi8(' ');
        const unsigned low = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(chunk, limit), chunk)));
        const char* end = in.pos + __builtin_ctz(low | 0x10000);
        if (low != 0 && isSpace(static_cast<unsigned char>(*end))) {
            word = {in.pos, static_cast<std::size_t>(end - in.pos), end};
            in.pos = end;
            return true;
        }
    }
#endif
    return detail::readWord(in, word);
}

// "%d": an optionally signed decimal number, wrapped into an int as glibc does (strtol's
// saturated long, then its low 32 bits). A sign without digits is consumed and fails.
inline bool readInt(Input& in, int& value) {
    skipSpace(in);
    // Up to eighteen digits without a sign, the common case, are read right here.
    std::uint64_t digits = 0;
    const char* p = detail::digitRun(in.pos, in.end, digits);
    if (p == in.pos || p - in.pos > 18)
        return detail::readInt(in, value);
    in.pos = p;
    value = static_cast<int>(static_cast<std::uint32_t>(digits));
    return true;
}

// "%f", including glibc's handling of hexadecimal numbers, "inf", "infinity", "nan" and partial
// matches (which may consume characters and still fail). On failure `value` is not touched.
inline bool readFloat(Input& in, float& value) {
    skipSpace(in);
    return (in.pos != in.end && detail::readPlainFloat(in, value)) || detail::readFloat(in, value);
}

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
