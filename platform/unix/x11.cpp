// What SDL leaves undone on X11, behind the stand-in's window calls:
// - SDL makes a colormap for every window and never frees it, so each window the program makes
//   and destroys (two per full-screen switch) would leave one on the X server until exit.
// - When the process ends without giving a changed display mode back (a crash, a kill, a lost X
//   connection), the X server keeps the mode. So when the mode is changed a guardian process is
//   forked that keeps the desktop's RandR configuration over an X connection of its own, and puts
//   it back, where it differs, once the program's end of a socket closes: when the program gives
//   the mode back, and when it ends. The program then has nothing to do when it crashes, so a
//   crash on a broken stack or a SIGKILL is covered too. SDL's own giving back is not enough: it
//   puts back the mode of the program's start, not the one the desktop had at the switch.
//   The guardian is forked from the main thread while the program changes the mode, when no other
//   thread is inside Xlib; it runs no code of the program's and no other program. It has a session
//   and a name of its own ("Balantor-guard"), so that signals to the program's job or by the
//   program's name (kill %1, timeout, killall, pkill) spare it.
// On other video drivers (Wayland) these do nothing.
#include "internal.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {
// The desktop as it was before the mode changed.
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
    int width = 0;
    int height = 0;
    int mmWidth = 0;
    int mmHeight = 0;
    int crtcCount = 0;
    SavedCrtc crtcs[8] = {};
};

// The program's end of the socket to the guardian, and the guardian; -1 and 0 without one.
int g_guardian = -1;
pid_t g_guardianPid = 0;

// What the guardian tells when it is ready.
const char kSaved = 'S';

bool saveDesktop(Display* display, SavedDesktop& desktop) {
    const ::Window root = DefaultRootWindow(display);
    const int screen = DefaultScreen(display);
    // The root's size as it is now: Xlib's own figures are those of the connection's start.
    ::Window unused;
    int x;
    int y;
    unsigned width;
    unsigned height;
    unsigned border;
    unsigned depth;
    if (!XGetGeometry(display, root, &unused, &x, &y, &width, &height, &border, &depth))
        return false;
    XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, root);
    if (resources == nullptr)
        return false;
    desktop.width = static_cast<int>(width);
    desktop.height = static_cast<int>(height);
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
    return true;
}

bool operator==(const SavedCrtc& a, const SavedCrtc& b) {
    return a.crtc == b.crtc && a.mode == b.mode && a.x == b.x && a.y == b.y &&
           a.rotation == b.rotation && a.outputCount == b.outputCount &&
           std::equal(a.outputs, a.outputs + a.outputCount, b.outputs);
}

bool operator==(const SavedDesktop& a, const SavedDesktop& b) {
    return a.width == b.width && a.height == b.height && a.crtcCount == b.crtcCount &&
           std::equal(a.crtcs, a.crtcs + a.crtcCount, b.crtcs);
}

int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

void putBack(Display* display, const SavedDesktop& desktop) {
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
        if (info->mode != None && (info->x + static_cast<int>(info->width) > desktop.width ||
                                   info->y + static_cast<int>(info->height) > desktop.height))
            XRRSetCrtcConfig(display, resources, resources->crtcs[i], CurrentTime, 0, 0, None,
                             RR_Rotate_0, nullptr, 0);
        XRRFreeCrtcInfo(info);
    }
    XRRSetScreenSize(display, root, desktop.width, desktop.height, desktop.mmWidth,
                     desktop.mmHeight);
    for (int i = 0; i < desktop.crtcCount; ++i) {
        const SavedCrtc& c = desktop.crtcs[i];
        XRRSetCrtcConfig(display, resources, c.crtc, CurrentTime, c.x, c.y, c.mode, c.rotation,
                         const_cast<RROutput*>(c.outputs), c.outputCount);
    }
    XRRFreeScreenResources(resources);
    XSync(display, False);
}

// The guardian, in the child of fork. Until it opens its X connection it makes only calls that
// are safe after fork in a process with threads. It lets go of everything the program holds open
// but the socket and standard error (the program's X connection above all: its windows must go
// with the program), and outlives the signals that end the program: in a session of its own, it
// is no part of the program's job, and it ignores the signals that ask a process to end.
[[noreturn]] void guard(int end) {
    setsid();
    prctl(PR_SET_NAME, "Balantor-guard");
    // Moved above the standard streams, for a program started with one of them closed.
    const int channel = fcntl(end, F_DUPFD, STDERR_FILENO + 1);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGPIPE})
        sigaction(sig, &ignore, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null = open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    close_range(STDERR_FILENO + 1, channel - 1, 0);
    close_range(channel + 1, ~0U, 0);

    // Xlib's own end on a lost connection would run the program's exit handlers.
    XSetIOErrorHandler([](Display*) -> int { _exit(0); });
    Display* display = XOpenDisplay(nullptr);
    SavedDesktop desktop;
    if (display == nullptr || !saveDesktop(display, desktop) ||
        send(channel, &kSaved, 1, MSG_NOSIGNAL) != 1)
        _exit(0);
    // The program sends nothing more: its end of the socket closes, whether it gave the mode
    // back or ended. Its word that the mode is back would not do: on a lost X connection its calls
    // change nothing.
    char nothing;
    ssize_t got;
    do
        got = recv(channel, &nothing, 1, 0);
    while (got < 0 && errno == EINTR);
    SavedDesktop now;
    if (!saveDesktop(display, now) || !(now == desktop))
        putBack(display, desktop);
    _exit(0);
}

// Waits for the guardian's word that it holds the desktop; five seconds at most, since an X
// server that does not answer must not stop the program.
bool guardianReady(int channel) {
    pollfd ready = {channel, POLLIN, 0};
    int polled;
    do
        polled = poll(&ready, 1, 5000);
    while (polled < 0 && errno == EINTR);
    char word = 0;
    return polled == 1 && recv(channel, &word, 1, MSG_DONTWAIT) == 1 && word == kSaved;
}

void endGuardian() {
    close(g_guardian);
    waitpid(g_guardianPid, nullptr, 0);
    g_guardian = -1;
    g_guardianPid = 0;
}
} // namespace

void saveDesktopMode() {
    if (g_guardian >= 0)
        return;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    const pid_t child = fork();
    if (child == 0) {
        close(ends[0]);
        guard(ends[1]);
    }
    close(ends[1]);
    if (child < 0) {
        close(ends[0]);
        return;
    }
    g_guardian = ends[0];
    g_guardianPid = child;
    if (!guardianReady(g_guardian)) {
        kill(child, SIGKILL);
        endGuardian();
    }
}

void giveDesktopModeBack() {
    if (g_guardian >= 0)
        endGuardian();
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
