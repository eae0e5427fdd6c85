#include "files.h"

#include <cstdio>

namespace modelgen {

namespace {

void put16(std::string& s, unsigned v) {
    s += static_cast<char>(v & 0xff);
    s += static_cast<char>((v >> 8) & 0xff);
}
void put32(std::string& s, unsigned v) {
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

void putBig32(std::string& s, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        s += static_cast<char>((v >> shift) & 0xff);
}

std::uint32_t crc32(const std::string& bytes, size_t from) {
    std::uint32_t c = 0xffffffffu;
    for (size_t i = from; i < bytes.size(); ++i) {
        c ^= static_cast<std::uint8_t>(bytes[i]);
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

std::uint32_t adler32(const std::string& bytes) {
    std::uint32_t a = 1, b = 0;
    for (char ch : bytes) {
        a = (a + static_cast<std::uint8_t>(ch)) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

// Deflate's bits go out from the lowest bit of each byte up; Huffman codes from their top bit.
struct Bits {
    std::string out;
    std::uint32_t acc = 0;
    int count = 0;
    void put(std::uint32_t value, int n) {
        acc |= value << count;
        for (count += n; count >= 8; count -= 8, acc >>= 8)
            out += static_cast<char>(acc & 0xff);
    }
    void code(std::uint32_t value, int n) {
        std::uint32_t reversed = 0;
        for (int i = 0; i < n; ++i)
            reversed |= ((value >> i) & 1) << (n - 1 - i);
        put(reversed, n);
    }
    void literal(int v) {
        if (v < 144)
            code(0x30 + v, 8);
        else if (v < 256)
            code(0x190 + v - 144, 9);
        else if (v < 280)
            code(v - 256, 7);
        else
            code(0xc0 + v - 280, 8);
    }
};

// One deflate block with the fixed codes; matches are found through a table of the last place
// each three bytes were seen.
std::string deflate(const std::string& data) {
    static const int lengthBase[] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                     15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                     67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const int distBase[] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                   33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    Bits bits;
    bits.put(1, 1); // the last block
    bits.put(1, 2); // fixed codes
    std::vector<int> last(1 << 15, -1);
    const int n = static_cast<int>(data.size());
    const auto key = [&](int i) {
        return (static_cast<std::uint8_t>(data[i]) << 10 ^
                static_cast<std::uint8_t>(data[i + 1]) << 5 ^
                static_cast<std::uint8_t>(data[i + 2])) &
               0x7fff;
    };
    for (int i = 0; i < n;) {
        int length = 0, distance = 0;
        if (i + 2 < n) {
            const int candidate = last[key(i)];
            last[key(i)] = i;
            if (candidate >= 0 && i - candidate <= 32768) {
                while (length < 258 && i + length < n &&
                       data[candidate + length] == data[i + length])
                    ++length;
                distance = i - candidate;
            }
        }
        if (length < 3) {
            bits.literal(static_cast<std::uint8_t>(data[i++]));
            continue;
        }
        int lc = 28;
        while (lengthBase[lc] > length)
            --lc;
        bits.literal(257 + lc);
        bits.put(static_cast<std::uint32_t>(length - lengthBase[lc]),
                 lc < 8 || lc == 28 ? 0 : (lc - 4) / 4);
        int dc = 29;
        while (distBase[dc] > distance)
            --dc;
        bits.code(static_cast<std::uint32_t>(dc), 5);
        bits.put(static_cast<std::uint32_t>(distance - distBase[dc]), dc < 4 ? 0 : (dc - 2) / 2);
        for (int k = 1; k < length; ++k)
            if (i + k + 2 < n)
                last[key(i + k)] = i + k;
        i += length;
    }
    bits.literal(256);
    bits.put(0, 7);
    return bits.out;
}

void chunk(std::string& png, const char* type, const std::string& data) {
    putBig32(png, static_cast<std::uint32_t>(data.size()));
    const size_t start = png.size();
    png += type;
    png += data;
    putBig32(png, crc32(png, start));
}

} // namespace

std::string pngBytes(const Icon& icon) {
    std::string header, rows;
    putBig32(header, static_cast<std::uint32_t>(icon.size));
    putBig32(header, static_cast<std::uint32_t>(icon.size));
    header += std::string("\x08\x06\x00\x00\x00", 5); // 8 bits, RGBA, no interlace
    const size_t stride = static_cast<size_t>(icon.size) * 4;
    for (size_t y = 0; y < static_cast<size_t>(icon.size); ++y) {
        rows += '\0'; // no filter
        rows.append(reinterpret_cast<const char*>(&icon.rgba[y * stride]), stride);
    }
    std::string zlib = "\x78\x01" + deflate(rows);
    putBig32(zlib, adler32(rows));
    std::string png = "\x89PNG\r\n\x1a\n";
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", zlib);
    chunk(png, "IEND", "");
    return png;
}

std::string icoBytes(const std::vector<Icon>& icons) {
    std::vector<std::string> images;
    for (const Icon& icon : icons) {
        if (icon.size >= 256) {
            images.push_back(pngBytes(icon));
            continue;
        }
        // A bitmap of twice the height, bottom-up: the colours, then a mask of nothing, as the
        // alpha says what shows.
        const unsigned size = static_cast<unsigned>(icon.size);
        const unsigned maskStride = (size + 31) / 32 * 4;
        std::string s;
        put32(s, 40);
        put32(s, size);
        put32(s, size * 2);
        put16(s, 1);
        put16(s, 32);
        put32(s, 0);
        put32(s, size * size * 4 + maskStride * size);
        put32(s, 0);
        put32(s, 0);
        put32(s, 0);
        put32(s, 0);
        for (unsigned y = size; y-- > 0;) {
            for (unsigned x = 0; x < size; ++x) {
                const std::uint8_t* p = &icon.rgba[(y * size + x) * 4];
                s += {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0]),
                      static_cast<char>(p[3])};
            }
        }
        s.append(maskStride * size, '\0');
        images.push_back(s);
    }
    std::string ico;
    put16(ico, 0);
    put16(ico, 1); // an icon
    put16(ico, static_cast<unsigned>(icons.size()));
    unsigned offset = 6 + 16 * static_cast<unsigned>(icons.size());
    for (size_t i = 0; i < icons.size(); ++i) {
        ico += static_cast<char>(icons[i].size & 0xff); // 0 stands for 256
        ico += static_cast<char>(icons[i].size & 0xff);
        ico += std::string("\0\0", 2); // no palette
        put16(ico, 1);
        put16(ico, 32);
        put32(ico, static_cast<unsigned>(images[i].size()));
        put32(ico, offset);
        offset += static_cast<unsigned>(images[i].size());
    }
    for (const std::string& image : images)
        ico += image;
    return ico;
}

std::string bmpBytes(const Image& img) {
    const unsigned stride = (static_cast<unsigned>(img.w) * 3 + 3) & ~3u;
    const unsigned pixels = stride * static_cast<unsigned>(img.h);
    std::string s;
    s += "BM";
    put32(s, 54 + pixels);
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, static_cast<unsigned>(img.w));
    put32(s, static_cast<unsigned>(img.h));
    put16(s, 1);
    put16(s, 24);
    put32(s, 0);
    put32(s, pixels);
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    // The rows, sized at once and filled in place: a byte at a time through the string costs
    // more than painting the ground in WebAssembly.
    const size_t header = s.size();
    s.resize(header + pixels, '\0');
    for (int y = 0; y < img.h; ++y) {
        char* row = &s[header + static_cast<size_t>(y) * stride];
        for (int x = 0; x < img.w; ++x) {
            const std::uint8_t* p = &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
            row[x * 3] = static_cast<char>(p[2]);
            row[x * 3 + 1] = static_cast<char>(p[1]);
            row[x * 3 + 2] = static_cast<char>(p[0]);
        }
    }
    return s;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::fprintf(stderr, "modelgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "modelgen: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace modelgen
