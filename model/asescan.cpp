#include "model/asescan.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace asescan {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// strtof on exactly the characters scanf collected, as scanf does; false when it takes none.
bool convert(const char* begin, const char* end, float& value) {
    char small[64];
    std::string large;
    const std::size_t length = static_cast<std::size_t>(end - begin);
    char* text = small;
    if (length >= sizeof small) {
        large.assign(begin, length);
        text = &large[0];
    } else {
        std::memcpy(small, begin, length);
        small[length] = '\0';
    }
    char* stop = nullptr;
    const float result = std::strtof(text, &stop);
    if (stop == text)
        return false;
    value = result;
    return true;
}

// Matches the rest of "nan", "inf" or "inity" case-insensitively. As in glibc, a mismatching
// character is consumed along with the failure.
bool matchWord(Input& in, const char* rest) {
    for (; *rest != '\0'; ++rest) {
        if (in.pos == in.end)
            return false;
        if (lower(*in.pos++) != *rest)
            return false;
    }
    return true;
}

} // namespace

bool detail::readWord(Input& in, Word& word) {
    skipSpace(in);
    if (in.pos == in.end)
        return false;
    const char* begin = in.pos;
    const char* p = begin;
    // Words end at white space; a NUL inside one ends the part C code sees. Both are bytes up to
    // ' ', so look for those sixteen at a time first.
#ifdef __SSE2__
    const __m128i limit = _mm_set1_epi8(' ');
    while (in.end - p >= 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int low = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(chunk, limit), chunk));
        if (low != 0) {
            p += __builtin_ctz(static_cast<unsigned>(low));
            break;
        }
        p += 16;
    }
#endif
    const char* nul = nullptr;
    for (; p < in.end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c <= ' ') {
            if (isSpace(c))
                break;
            if (c == 0 && nul == nullptr)
                nul = p;
        }
    }
    in.pos = p;
    word.text = begin;
    word.length = static_cast<std::size_t>((nul ? nul : p) - begin);
    word.end = p;
    return true;
}

bool detail::readInt(Input& in, int& value) {
    skipSpace(in);
    if (in.pos == in.end)
        return false;
    const char* p = in.pos;
    bool negative = false;
    if (*p == '-' || *p == '+')
        negative = *p++ == '-';
    const char* digits = p;
    std::uint64_t magnitude = 0;
    p = digitRun(p, in.end, magnitude);
    in.pos = p;
    if (p == digits)
        return false;
    // Up to 19 digits the run's value is exact; beyond, leading zeros aside, it is too large.
    bool overflow = false;
    if (p - digits > 19) {
        magnitude = 0;
        for (const char* d = digits; d < p; ++d) {
            if (magnitude > (UINT64_MAX - 9) / 10)
                overflow = true;
            else
                magnitude = magnitude * 10 + static_cast<unsigned>(*d - '0');
        }
    }
    const std::uint64_t limit = negative ? std::uint64_t(LONG_MAX) + 1 : std::uint64_t(LONG_MAX);
    if (overflow || magnitude > limit)
        magnitude = limit;
    const std::uint64_t bits = negative ? 0 - magnitude : magnitude;
    value = static_cast<int>(static_cast<std::uint32_t>(bits));
    return true;
}

bool detail::readFloat(Input& in, float& value) {
    skipSpace(in);
    if (in.pos == in.end)
        return false;
    const char* begin = in.pos;
    const char* p = begin;
    bool sign = false;
    if (*p == '-' || *p == '+') {
        sign = true;
        if (++p == in.end) {
            in.pos = p;
            return false;
        }
    }
    const char first = lower(*p);
    if (first == 'n') {
        in.pos = p + 1;
        if (!matchWord(in, "an"))
            return false;
        return convert(begin, in.pos, value);
    }
    if (first == 'i') {
        in.pos = p + 1;
        if (!matchWord(in, "nf"))
            return false;
        if (in.pos < in.end && lower(*in.pos) == 'i') {
            ++in.pos;
            if (!matchWord(in, "nity"))
                return false;
        }
        return convert(begin, in.pos, value);
    }

    bool hex = false;
    bool gotDigit = false;
    bool gotDot = false;
    bool gotExponent = false;
    char exponentChar = 'e';
    if (*p == '0') {
        ++p;
        if (p < in.end && lower(*p) == 'x') {
            ++p;
            hex = true;
            exponentChar = 'p';
        } else {
            gotDigit = true;
        }
    }
    for (; p < in.end; ++p) {
        const char c = *p;
        if (isDigit(c)) {
            gotDigit = true;
        } else if (hex && !gotExponent && isHexDigit(c)) {
            gotDigit = true;
        } else if (gotExponent && lower(p[-1]) == exponentChar && (c == '-' || c == '+')) {
            continue;
        } else if (gotDigit && !gotExponent && lower(c) == exponentChar) {
            gotExponent = gotDot = true;
        } else if (!gotDot && c == '.') {
            gotDot = true;
        } else {
            break;
        }
    }
    in.pos = p;
    const std::ptrdiff_t collected = p - begin;
    if (collected == (sign ? 1 : 0) || (hex && collected == (sign ? 3 : 2)))
        return false;
    return convert(begin, p, value);
}

void skipLinePiece(Input& in) {
    const std::size_t available = static_cast<std::size_t>(in.end - in.pos);
    const std::size_t piece = available < 99 ? available : 99;
    const void* lineBreak = std::memchr(in.pos, '\n', piece);
    in.pos = lineBreak ? static_cast<const char*>(lineBreak) + 1 : in.pos + piece;
}

} // namespace asescan
