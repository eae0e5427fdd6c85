// The in-memory formatted input against the C library's own fscanf and fgets on a FILE*: for every
// input, the same success, the same value (bit for bit) and the same characters consumed.
#include "model/asescan.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace {

struct Outcome {
    int converted; // fscanf's result: 1, 0, or EOF
    std::uint32_t bits;
    long consumed;
    bool operator==(const Outcome& o) const {
        return converted == o.converted && bits == o.bits && consumed == o.consumed;
    }
};

std::string show(const std::string& s) {
    std::string out;
    for (unsigned char c : s)
        out += c >= 32 && c < 127 ? std::string(1, char(c)) : "\\x" + std::to_string(c);
    return out;
}

// One conversion by the C library on a stream over `text`.
Outcome library(const std::string& text, char conversion) {
    std::string copy = text;
    std::FILE* f = fmemopen(copy.empty() ? nullptr : &copy[0], copy.size(), "r");
    if (copy.empty())
        f = fmemopen(const_cast<char*>(""), 0, "r");
    Outcome o = {0, 0, 0};
    if (conversion == 'd') {
        int v = 0;
        o.converted = std::fscanf(f, "%d", &v);
        o.bits = static_cast<std::uint32_t>(v);
    } else if (conversion == 'f') {
        float v = 0.0f;
        o.converted = std::fscanf(f, "%f", &v);
        std::memcpy(&o.bits, &v, sizeof v);
    } else if (conversion == 's') {
        std::string word(copy.size() + 1, '\0');
        o.converted = std::fscanf(f, "%s", &word[0]);
        o.bits = static_cast<std::uint32_t>(std::strlen(word.c_str()));
    } else {
        char line[100];
        o.converted = std::fgets(line, sizeof line, f) != nullptr ? 1 : EOF;
    }
    o.consumed = std::ftell(f);
    std::fclose(f);
    return o;
}

Outcome ours(const std::string& text, char conversion) {
    asescan::Input in = {text.data(), text.data() + text.size()};
    Outcome o = {0, 0, 0};
    bool ok = false;
    if (conversion == 'd') {
        int v = 0;
        ok = asescan::readInt(in, v);
        o.bits = static_cast<std::uint32_t>(v);
    } else if (conversion == 'f') {
        float v = 0.0f;
        ok = asescan::readFloat(in, v);
        std::memcpy(&o.bits, &v, sizeof v);
    } else if (conversion == 's') {
        asescan::Word w;
        ok = asescan::readWord(in, w);
        o.bits = ok ? static_cast<std::uint32_t>(w.length) : 0;
    } else {
        ok = in.pos < in.end;
        asescan::skipLinePiece(in);
    }
    // The C library answers EOF when the input ends before anything could be read: for fgets at
    // the very end, for a conversion in the white space before it.
    asescan::Input rest = {text.data(), text.data() + text.size()};
    if (conversion != 'l')
        asescan::skipSpace(rest);
    o.converted = ok ? 1 : rest.pos == rest.end ? EOF : 0;
    o.consumed = in.pos - text.data();
    return o;
}

void expectSame(const std::string& text, char conversion) {
    const Outcome a = library(text, conversion);
    const Outcome b = ours(text, conversion);
    EXPECT_TRUE(a == b) << "'%" << conversion << "' on \"" << show(text) << "\": library "
                        << a.converted << "/" << std::hex << a.bits << std::dec << "/" << a.consumed
                        << ", ours " << b.converted << "/" << std::hex << b.bits << std::dec << "/"
                        << b.consumed;
}

TEST(FormattedInput, NumbersAtTheEdgesOfWhatScanfAccepts) {
    const char* const cases[] = {"1.2.3",
                                 "nax",
                                 "nan(12)",
                                 "-nan",
                                 "NaN",
                                 "infin x",
                                 "infinity",
                                 "inf",
                                 "INFx",
                                 "-Inf",
                                 "0xg",
                                 "0x",
                                 "0X1P-2",
                                 "0x1p",
                                 "0x1p+",
                                 "-x",
                                 "-",
                                 "+.",
                                 "1e+x",
                                 "1e",
                                 "e5",
                                 ".e5",
                                 "0x.p1",
                                 "0x1.8p3",
                                 "1..2",
                                 "0.",
                                 "-.5e-3x",
                                 "1e5e",
                                 "0e",
                                 "0x1e",
                                 "0x1ep",
                                 "1,5",
                                 "  -0.0",
                                 "\t\n 12:",
                                 "16777216",
                                 "16777217",
                                 "16777218.5",
                                 "1e10",
                                 "1e11",
                                 "1e-10",
                                 "1e-11",
                                 "0.0000000001",
                                 "123456789012345678901234567890",
                                 "1e999999999999",
                                 "-1e-999999",
                                 "3.40282347e38",
                                 "3.40282357e38",
                                 "1.17549435e-38",
                                 "1.4e-45",
                                 "7e-46",
                                 "0.1000000000000000055511151231257827",
                                 "4294967297",
                                 "99999999999999999999",
                                 "-99999999999999999999",
                                 "-2147483648",
                                 "2147483648",
                                 "0x10",
                                 "007",
                                 "-0",
                                 "+5",
                                 "9223372036854775807",
                                 "9223372036854775808",
                                 "-9223372036854775808",
                                 "",
                                 "   ",
                                 "*MESH_VERTEX",
                                 "a\0b c"};
    for (const char* c : cases)
        for (char conversion : {'d', 'f', 's', 'l'})
            expectSame(c, conversion);
    expectSame(std::string("ab\0cd ef", 8), 's');
    expectSame(std::string(150, 'x') + "\nrest", 'l');
    expectSame(std::string(98, 'x') + "\nrest", 'l');
    expectSame(std::string(99, 'x') + "\nrest", 'l');
    expectSame(std::string(5000, '1'), 'f');
    expectSame("0." + std::string(3000, '0') + "1", 'f');
}

TEST(FormattedInput, RandomTextConvertsAsTheLibraryConvertsIt) {
    std::mt19937 random(20240611);
    const std::string alphabet = "0123456789012345678+-..eEpPxXaAbcdFfiInNtTyY \t\n\r:*\"\v";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int runs = 0;
    while (std::chrono::steady_clock::now() < deadline && runs < 200000) {
        std::string text;
        const int length = static_cast<int>(random() % 14);
        for (int i = 0; i < length; ++i)
            text += random() % 50 == 0 ? '\0' : alphabet[random() % alphabet.size()];
        for (char conversion : {'d', 'f', 's'})
            expectSame(text, conversion);
        if (::testing::Test::HasFailure())
            return;
        ++runs;
    }
}

// Plain decimals take a shortcut past strtof; it must round exactly as strtof does.
TEST(FormattedInput, PlainDecimalsRoundAsStrtofDoes) {
    std::mt19937 random(7);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    while (std::chrono::steady_clock::now() < deadline) {
        std::string text = random() % 2 ? "-" : "";
        const int whole = static_cast<int>(random() % 10);
        const int fraction = static_cast<int>(random() % 10);
        for (int i = 0; i < whole; ++i)
            text += char('0' + random() % 10);
        if (fraction > 0 || whole == 0)
            text += '.';
        for (int i = 0; i < fraction; ++i)
            text += char('0' + random() % 10);
        if (random() % 4 == 0)
            text += "e" + std::to_string(static_cast<int>(random() % 25) - 12);
        expectSame(text + " ", 'f');
        if (::testing::Test::HasFailure())
            return;
    }
}

} // namespace
