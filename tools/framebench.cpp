// Frames per second of the real frame step at 640 x 480: the program's window, models and
// textures, with the up arrow held so that the vehicle travels. Reads the models folder under the
// working directory, normally the project root.
// Usage: framebench [frames]
#include "shell/openwindow.h"
#include "sim/InitGL.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::atoi(argv[1]) : 600;
    if (frames <= 0) {
        std::fprintf(stderr, "usage: framebench [frames]\n");
        return 2;
    }
    fullscreen = false;
    if (!CreateGLWindow("Balantor", 640, 480, 16, false))
        return 1;

    // The driver compiles its shaders during the first frames; those are not timed.
    const int warmUp = 60;
    MSG msg;
    std::clock_t cpuStart = 0;
    std::chrono::steady_clock::time_point wallStart;
    for (int i = 0; i < warmUp + frames; ++i) {
        if (i == warmUp) {
            cpuStart = std::clock();
            wallStart = std::chrono::steady_clock::now();
        }
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        keys[VK_UP] = i % 200 < 100;
        keys[VK_LEFT] = i % 300 < 50;
        applyKeys();
        start.DrawGLScene();
        SwapBuffers(hDC);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    KillGLWindow();

    std::printf("frames: %d\nwall: %.3f s\nfps: %.1f\ncpu per frame: %.3f ms\n", frames, wall,
                frames / wall, 1000.0 * cpu / frames);
    return 0;
}
