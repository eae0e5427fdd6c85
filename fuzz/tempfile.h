// Fuzz inputs go to a file of this process's own, since the readers take a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace fuzzfile {

// Writes the input to a path in /tmp, unique to the process and removed when it exits; short
// enough for the 30 characters of the model set's path table. Null when the file cannot be
// written (the input is then skipped).
inline const char* write(const char* suffix, const std::uint8_t* data, std::size_t size) {
    static const std::string name = "/tmp/fz" + std::to_string(getpid()) + suffix;
    [[maybe_unused]] static const int removed = std::atexit([] { std::remove(name.c_str()); });
    std::FILE* f = std::fopen(name.c_str(), "wb");
    const bool ok = f != nullptr && std::fwrite(data, 1, size, f) == size;
    return f != nullptr && std::fclose(f) == 0 && ok ? name.c_str() : nullptr;
}

} // namespace fuzzfile
