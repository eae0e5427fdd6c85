// Preloaded into the program by the soak test: counts the frames it presents by wrapping
// SDL_GL_SwapWindow, and keeps the count in a file mapped shared (path in BALANTOR_FRAME_COUNTER,
// eight bytes, native order) so that the test can read it while the program runs.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

struct SDL_Window;

namespace {
volatile std::uint64_t* openCounter() {
    const char* path = std::getenv("BALANTOR_FRAME_COUNTER");
    if (path == nullptr)
        return nullptr;
    const int fd = open(path, O_RDWR | O_CREAT, 0644);
    if (fd < 0)
        return nullptr;
    void* map = MAP_FAILED;
    if (ftruncate(fd, sizeof(std::uint64_t)) == 0)
        map = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return map == MAP_FAILED ? nullptr : static_cast<volatile std::uint64_t*>(map);
}
} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    static volatile std::uint64_t* const counter = openCounter();
    real(window);
    if (counter != nullptr)
        *counter = *counter + 1;
}
