// Preloaded into the program by the soak and picture tests: counts the frames it presents by
// wrapping SDL_GL_SwapWindow, and keeps the count in a file mapped shared (path in
// BALANTOR_FRAME_COUNTER, eight bytes, native order) so that the test can read it while the
// program runs.
//
// With BALANTOR_FRAME_HOLD naming a text file that holds a frame number, the program also stops
// once it has presented that frame, and goes on only when the file names a later one (a missing
// or unreadable file holds it too). While it stops, the test can take a picture of exactly that
// frame and press or let go of keys that exactly the next frame sees: the frame is sent through
// to the X server before the count shows it, and on going on, a round trip to the server fetches
// every key event that the server sent meanwhile, before the program looks at its messages.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

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

// The frame to stop at, as the hold file names it; 0 when it names none.
unsigned long long holdFrame(const char* path) {
    unsigned long long frame = 0;
    if (FILE* file = std::fopen(path, "r")) {
        if (std::fscanf(file, "%llu", &frame) != 1)
            frame = 0;
        std::fclose(file);
    }
    return frame;
}

// Waits while the hold file names a frame no later than this one; true when it waited.
bool holdAfter(std::uint64_t frame, const char* path) {
    bool held = false;
    while (holdFrame(path) <= frame) {
        held = true;
        const timespec pause = {0, 1000000};
        nanosleep(&pause, nullptr);
    }
    return held;
}
} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    static volatile std::uint64_t* const counter = openCounter();
    static const char* const hold = std::getenv("BALANTOR_FRAME_HOLD");
    real(window);
    if (counter == nullptr)
        return;
    Display* display = hold != nullptr ? glXGetCurrentDisplay() : nullptr;
    if (display != nullptr)
        XSync(display, False);
    const std::uint64_t frame = *counter + 1;
    *counter = frame;
    if (hold != nullptr && holdAfter(frame, hold) && display != nullptr)
        XSync(display, False);
}
