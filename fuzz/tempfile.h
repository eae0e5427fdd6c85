// Fuzz inputs go to a file of this process's own, since the readers take a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzfile {

// A path in /tmp, unique to the process and removed when it exits; short enough for the 30
// characters of the model set's path table.
inline const char* path(const char* suffix) {
    static std::string name;
    if (name.empty()) {
        name = "/tmp/fz" + std::to_string(getpid()) + suffix;
        std::atexit([] { std::remove(name.c_str()); });
    }
    return name.c_str();
}

// Writes the input; false when the file cannot be written (the input is then skipped).
inline bool write(const char* file, const std::uint8_t* data, std::size_t size) {
    std::FILE* f = std::fopen(file, "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

} // namespace fuzzfile
