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

} // namespace

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
    for (int y = 0; y < img.h; ++y) {
        for (int x = 0; x < img.w; ++x) {
            const std::uint8_t* p = &img.rgb[(static_cast<size_t>(y) * img.w + x) * 3];
            s += static_cast<char>(p[2]);
            s += static_cast<char>(p[1]);
            s += static_cast<char>(p[0]);
        }
        s.append(stride - static_cast<unsigned>(img.w) * 3, '\0');
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
