// The in-memory formatted input against glibc's own fscanf and fgets on a FILE*: the same answer,
// the same value bit for bit and the same characters consumed.
#include "model/asescan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>

namespace {

// fscanf's answer (1, 0 or EOF), the value's bits (a word's length) and the characters consumed.
using Outcome = std::tuple<int, std::uint32_t, long>;

std::uint32_t value(char conversion, int i, float f, std::size_t length) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return conversion == 's' ? length : conversion == 'd' ? i : bits;
}

// One conversion ('d', 'f', 's', or 'l' for the 99-character line piece) by the C library.
Outcome library(std::string text, char conversion) {
    std::FILE* f = fmemopen(text.empty() ? const_cast<char*>("") : &text[0], text.size(), "r");
    int i = 0;
    float v = 0.0f;
    std::string word(text.size() + 1, '\0');
    char line[100];
    const int answer = conversion == 'd'   ? std::fscanf(f, "%d", &i)
                       : conversion == 'f' ? std::fscanf(f, "%f", &v)
                       : conversion == 's' ? std::fscanf(f, "%s", &word[0])
                                           : (std::fgets(line, sizeof line, f) ? 1 : EOF);
    const long consumed = std::ftell(f);
    std::fclose(f);
    return {answer, value(conversion, i, v, std::strlen(word.c_str())), consumed};
}

Outcome ours(const std::string& text, char conversion) {
    asescan::Input in = {text.data(), text.data() + text.size()};
    int i = 0;
    float v = 0.0f;
    asescan::Word w = {nullptr, 0, nullptr};
    const bool ok = conversion == 'd'   ? asescan::readInt(in, i)
                    : conversion == 'f' ? asescan::readFloat(in, v)
                    : conversion == 's' ? asescan::readWord(in, w)
                                        : in.pos < in.end;
    if (conversion == 'l')
        asescan::skipLinePiece(in);
    // The library answers EOF when the input ends before anything could be read: for fgets at the
    // very end, for a conversion in the white space before it.
    asescan::Input rest = {text.data(), text.data() + text.size()};
    if (conversion != 'l')
        asescan::skipSpace(rest);
    const int answer = ok ? 1 : rest.pos == rest.end ? EOF : 0;
    return {answer, value(conversion, i, v, w.length), in.pos - text.data()};
}

// The text alone, and followed by more as in a file, where white space is passed sixteen bytes
// at a time.
void expectSame(const std::string& text) {
    for (const std::string& input : {text, text + "\t9876543210"})
        for (char conversion : {'d', 'f', 's', 'l'})
            ASSERT_EQ(library(input, conversion), ours(input, conversion))
                << "'" << conversion << "' on " << ::testing::PrintToString(input);
}

// Random numbers are compared through the reader on every file of the reference comparison
// (test_fuzz.cpp); these are the spellings it seldom makes.
TEST(FormattedInput, CasesRandomTextSeldomSpells) {
    for (const char* text :
         {"nan(12)", "infinity", "-Inf", "0X1P-2", "0x1.8p3", "3.40282357e38", "1.17549435e-38",
          "1.4e-45", "7e-46", "1e999999999999", "0.1000000000000000055511151231257827",
          "123456789012345678901234567890", "-9223372036854775808", "9223372036854775808",
          "99999999999999999999", "4294967297", "00000000000000000000001", "16777217"})
        expectSame(text);
    expectSame(std::string("ab\0cd ef", 8));
    for (int length : {98, 99, 150})
        expectSame(std::string(length, 'x') + "\nrest");
    expectSame(std::string(5000, '1'));
    expectSame("0." + std::string(3000, '0') + "1");
}

} // namespace
