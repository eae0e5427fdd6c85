// Preloaded into the program by the gamepad case: a virtual pad driven on cues. It is SDL's virtual
// joystick of no known kind, which SDL makes a game controller only by a mapping the case gives. At
// each frame the program presents, it acts on the lines added since to the file BALANTOR_PAD_CUES:
// "attach", "axis N VALUE", "button N 0|1", "detach".
#include <SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
SDL_Joystick* g_pad = nullptr;
long g_read = 0; // how far into the cue file

void cue(const char* line) {
    int n = 0;
    int value = 0;
    if (std::strncmp(line, "attach", 6) == 0 && !g_pad) {
        const int index = SDL_JoystickAttachVirtual(
            SDL_JOYSTICK_TYPE_UNKNOWN, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
        g_pad = index < 0 ? nullptr : SDL_JoystickOpen(index);
    } else if (std::strncmp(line, "detach", 6) == 0 && g_pad) {
        for (int i = 0; i < SDL_NumJoysticks(); ++i)
            if (SDL_JoystickIsVirtual(i))
                SDL_JoystickDetachVirtual(i);
        SDL_JoystickClose(g_pad);
        g_pad = nullptr;
    } else if (g_pad && std::sscanf(line, "axis %d %d", &n, &value) == 2) {
        SDL_JoystickSetVirtualAxis(g_pad, n, static_cast<Sint16>(value));
    } else if (g_pad && std::sscanf(line, "button %d %d", &n, &value) == 2) {
        SDL_JoystickSetVirtualButton(g_pad, n, static_cast<Uint8>(value));
    }
}

void readCues() {
    const char* path = std::getenv("BALANTOR_PAD_CUES");
    FILE* file = path && SDL_WasInit(SDL_INIT_JOYSTICK) ? std::fopen(path, "r") : nullptr;
    if (!file)
        return;
    char line[64];
    std::fseek(file, g_read, SEEK_SET);
    // Only whole lines: the test may be writing the next one.
    while (std::fgets(line, sizeof line, file) && std::strchr(line, '\n')) {
        cue(line);
        g_read = std::ftell(file);
    }
    std::fclose(file);
}
} // namespace

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    static const Swap real = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    real(window);
    readCues();
}
