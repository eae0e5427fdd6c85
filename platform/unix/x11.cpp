// What SDL leaves undone on X11, behind the stand-in's window calls:
// - SDL makes a colormap for every window and never frees it, so each window the program makes
//   and destroys (two per full-screen switch) would leave one on the X server until exit.
// - After a crash nobody gives a changed display mode back; the X server keeps it. The desktop's
//   RandR configuration is kept from the moment the mode is changed, and restoreDesktopMode()
//   puts it back over a connection of its own, from a child process, so that a crash in the
//   middle of an X request or while a lock is held cannot stop the crash from taking its course.
// On other video drivers (Wayland) these do nothing.
#include "internal.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
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
        Display* display = XOpenDisplay(nullptr);
        if (display != nullptr) {
            putBack(display);
            XCloseDisplay(display);
        }
        _exit(0);
    }
    if (child < 0)
        return;
    // Two seconds at most: a child caught on a lock the crash left held must not hold up the
    // crash.
    const timespec tick = {0, 10 * 1000 * 1000};
    for (int i = 0; i < 200; ++i) {
        if (waitpid(child, nullptr, WNOHANG) == child)
            return;
        nanosleep(&tick, nullptr);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
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
