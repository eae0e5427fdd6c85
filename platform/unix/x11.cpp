// What SDL leaves undone on X11, behind the stand-in's window calls:
// - SDL makes a colormap for every window and never frees it, so each window the program makes
//   and destroys (two per full-screen switch) would leave one on the X server until exit.
// - After a crash nobody gives a changed display mode back; the X server keeps it. The desktop's
//   RandR configuration is kept from the moment the mode is changed, and restoreDesktopMode()
//   puts it back from a fresh run of the program itself, started with the configuration in its
//   environment, which does that before main and ends. A crash may come while another thread
//   holds the allocator's lock, which a mere child of the crashing process would wait on for ever,
//   and it must not stop the crash from taking its course.
// On other video drivers (Wayland) these do nothing.
#include "internal.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace platform {
namespace {
// The desktop as it was before the mode changed: fixed-size records, so that nothing need be
// allocated when it is put back.
struct SavedCrtc {
    RRCrtc crtc;
    RRMode mode;
    int x;
    int y;
    Rotation rotation;
    int outputCount;
    RROutput outputs[8];
};
struct SavedDesktop {
    bool saved = false;
    int width = 0;
    int height = 0;
    int mmWidth = 0;
    int mmHeight = 0;
    int crtcCount = 0;
    SavedCrtc crtcs[8] = {};
};
SavedDesktop g_desktop;

// What the run that puts the desktop back is started with, made when the mode changes, so that
// nothing need be made after a crash.
const char kRestoreVariable[] = "BALANTOR_RESTORE_DESKTOP";
char g_program[4096];
char g_restore[1024];
char g_display[256];
char g_authority[1024];
char* g_argv[] = {g_program, nullptr};
char* g_envp[4];

void prepareRestore() {
    const ssize_t length = readlink("/proc/self/exe", g_program, sizeof g_program - 1);
    g_program[length > 0 ? length : 0] = '\0';
    const SavedDesktop& d = g_desktop;
    int used = std::snprintf(g_restore, sizeof g_restore, "%s=%d %d %d %d %d", kRestoreVariable,
                             d.width, d.height, d.mmWidth, d.mmHeight, d.crtcCount);
    for (int i = 0; i < d.crtcCount; ++i) {
        const SavedCrtc& c = d.crtcs[i];
        used +=
            std::snprintf(g_restore + used, sizeof g_restore - used, " %lu %lu %d %d %u %d", c.crtc,
                          c.mode, c.x, c.y, static_cast<unsigned>(c.rotation), c.outputCount);
        for (int k = 0; k < c.outputCount; ++k)
            used += std::snprintf(g_restore + used, sizeof g_restore - used, " %lu", c.outputs[k]);
    }
    int n = 0;
    g_envp[n++] = g_restore;
    for (auto [name, buffer, size] :
         {std::make_tuple("DISPLAY", g_display, sizeof g_display),
          std::make_tuple("XAUTHORITY", g_authority, sizeof g_authority)})
        if (const char* value = std::getenv(name)) {
            std::snprintf(buffer, size, "%s=%s", name, value);
            g_envp[n++] = buffer;
        }
    g_envp[n] = nullptr;
}

// The desktop as prepareRestore() wrote it.
SavedDesktop parseDesktop(char* text) {
    SavedDesktop d;
    const auto next = [&text] { return std::strtol(text, &text, 10); };
    d.width = static_cast<int>(next());
    d.height = static_cast<int>(next());
    d.mmWidth = static_cast<int>(next());
    d.mmHeight = static_cast<int>(next());
    d.crtcCount = static_cast<int>(std::clamp(next(), 0L, 8L));
    for (int i = 0; i < d.crtcCount; ++i) {
        SavedCrtc& c = d.crtcs[i];
        c.crtc = static_cast<RRCrtc>(next());
        c.mode = static_cast<RRMode>(next());
        c.x = static_cast<int>(next());
        c.y = static_cast<int>(next());
        c.rotation = static_cast<Rotation>(next());
        c.outputCount = static_cast<int>(std::clamp(next(), 0L, 8L));
        for (int k = 0; k < c.outputCount; ++k)
            c.outputs[k] = static_cast<RROutput>(next());
    }
    d.saved = d.width > 0 && d.height > 0;
    return d;
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

void putBack(Display* display) {
    XSetErrorHandler(ignoreErrors);
    const ::Window root = DefaultRootWindow(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr)
        return;
    // As xrandr does: CRTCs that would not fit the desktop's screen go off first.
    for (int i = 0; i < resources->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
        if (info == nullptr)
            continue;
        if (info->mode != None && (info->x + static_cast<int>(info->width) > g_desktop.width ||
                                   info->y + static_cast<int>(info->height) > g_desktop.height))
            XRRSetCrtcConfig(display, resources, resources->crtcs[i], CurrentTime, 0, 0, None,
                             RR_Rotate_0, nullptr, 0);
        XRRFreeCrtcInfo(info);
    }
    XRRSetScreenSize(display, root, g_desktop.width, g_desktop.height, g_desktop.mmWidth,
                     g_desktop.mmHeight);
    for (int i = 0; i < g_desktop.crtcCount; ++i) {
        SavedCrtc& c = g_desktop.crtcs[i];
        XRRSetCrtcConfig(display, resources, c.crtc, CurrentTime, c.x, c.y, c.mode, c.rotation,
                         c.outputs, c.outputCount);
    }
    XRRFreeScreenResources(resources);
    XSync(display, False);
}
} // namespace

void saveDesktopMode() {
    if (g_desktop.saved)
        return;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return;
    const ::Window root = DefaultRootWindow(display);
    const int screen = DefaultScreen(display);
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources != nullptr) {
        SavedDesktop desktop;
        desktop.width = DisplayWidth(display, screen);
        desktop.height = DisplayHeight(display, screen);
        desktop.mmWidth = DisplayWidthMM(display, screen);
        desktop.mmHeight = DisplayHeightMM(display, screen);
        for (int i = 0; i < resources->ncrtc && desktop.crtcCount < 8; ++i) {
            XRRCrtcInfo* info = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
            if (info == nullptr)
                continue;
            if (info->mode != None) {
                SavedCrtc& c = desktop.crtcs[desktop.crtcCount++];
                c.crtc = resources->crtcs[i];
                c.mode = info->mode;
                c.x = info->x;
                c.y = info->y;
                c.rotation = info->rotation;
                c.outputCount = std::min(info->noutput, 8);
                std::copy_n(info->outputs, c.outputCount, c.outputs);
            }
            XRRFreeCrtcInfo(info);
        }
        XRRFreeScreenResources(resources);
        desktop.saved = true;
        g_desktop = desktop;
        prepareRestore();
    }
    XCloseDisplay(display);
}

void forgetDesktopMode() {
    g_desktop.saved = false;
}

void restoreDesktopMode() {
    if (!g_desktop.saved)
        return;
    const pid_t child = _Fork();
    if (child == 0) {
        execve(g_program, g_argv, g_envp);
        _exit(127);
    }
    if (child < 0)
        return;
    // Five seconds at most: a crash must take its course even when the X server does not answer.
    const timespec tick = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 500; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        nanosleep(&tick, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

// The run that restoreDesktopMode() starts: it puts the desktop back before main, and ends.
__attribute__((constructor)) void putBackWhenAsked() {
    char* saved = std::getenv(kRestoreVariable);
    if (saved == nullptr)
        return;
    g_desktop = parseDesktop(saved);
    Display* display = g_desktop.saved ? XOpenDisplay(nullptr) : nullptr;
    if (display != nullptr) {
        putBack(display);
        XCloseDisplay(display);
    }
    _exit(display != nullptr ? 0 : 1);
}

void destroySdlWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    Colormap colormap = None;
    Display* display = nullptr;
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        display = info.info.x11.display;
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, info.info.x11.window, &attributes) &&
            attributes.colormap != DefaultColormap(display, DefaultScreen(display)))
            colormap = attributes.colormap;
    }
    SDL_DestroyWindow(window);
    if (colormap != None)
        XFreeColormap(display, colormap);
}

} // namespace platform
