// Preloaded into the Linux build by the page's picture comparison: plays a list of steps at exact
// frame numbers, so that the program sees the same keys at the same frames as the page does. The
// list (path in BALANTOR_FRAME_SCRIPT) has one step a line:
//   N shot FILE   the picture of frame N, read from the back buffer before it is presented (PPM)
//   N down KEY    a key pressed after frame N is presented (Up, Down, Left, Right, Space, M,
//   N up KEY      Escape), so that frame N + 1 is the first to see it, as in the page
// Frames are counted by wrapping SDL_GL_SwapWindow; keys go into SDL's queue as the keyboard's do.
#include <GL/gl.h>
#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {
struct Step {
    std::string action;
    std::string arg;
};

using Script = std::multimap<unsigned long, Step>;

Script readScript() {
    Script script;
    const char* path = std::getenv("BALANTOR_FRAME_SCRIPT");
    if (path == nullptr)
        return script;
    std::ifstream in(path);
    unsigned long frame = 0;
    Step step;
    while (in >> frame >> step.action >> step.arg)
        script.emplace(frame, step);
    return script;
}

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

void shoot(SDL_Window* window, const std::string& path) {
    int width = 0;
    int height = 0;
    real<void (*)(SDL_Window*, int*, int*)>("SDL_GL_GetDrawableSize")(window, &width, &height);
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    real<void (*)(GLint)>("glReadBuffer")(GL_BACK);
    real<void (*)(GLenum, GLint)>("glPixelStorei")(GL_PACK_ALIGNMENT, 1);
    real<void (*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*)>("glReadPixels")(
        0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return;
    std::fprintf(file, "P6\n%d %d\n255\n", width, height);
    // GL's rows run bottom up.
    for (int row = height - 1; row >= 0; --row)
        std::fwrite(&pixels[static_cast<std::size_t>(row) * width * 3], 3, width, file);
    std::fclose(file);
}

void key(SDL_Window* window, const std::string& name, bool down) {
    struct Code {
        SDL_Scancode scancode;
        SDL_Keycode sym;
    };
    static const std::map<std::string, Code> codes = {
        {"Up", {SDL_SCANCODE_UP, SDLK_UP}},
        {"Down", {SDL_SCANCODE_DOWN, SDLK_DOWN}},
        {"Left", {SDL_SCANCODE_LEFT, SDLK_LEFT}},
        {"Right", {SDL_SCANCODE_RIGHT, SDLK_RIGHT}},
        {"Space", {SDL_SCANCODE_SPACE, SDLK_SPACE}},
        {"M", {SDL_SCANCODE_M, SDLK_m}},
        {"Escape", {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE}}};
    const auto code = codes.find(name);
    if (code == codes.end())
        return;
    SDL_Event event{};
    event.key.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.windowID = real<Uint32 (*)(SDL_Window*)>("SDL_GetWindowID")(window);
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = code->second.scancode;
    event.key.keysym.sym = code->second.sym;
    real<int (*)(SDL_Event*)>("SDL_PushEvent")(&event);
}
} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap swap = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    static const Script script = readScript();
    static unsigned long frames = 0;
    const auto [first, last] = script.equal_range(frames + 1);
    for (auto step = first; step != last; ++step)
        if (step->second.action == "shot")
            shoot(window, step->second.arg);
    swap(window);
    ++frames;
    for (auto step = first; step != last; ++step)
        if (step->second.action != "shot")
            key(window, step->second.arg, step->second.action == "down");
}
