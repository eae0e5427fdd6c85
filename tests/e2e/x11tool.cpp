// What the end-to-end tests need from the X server beyond xdotool:
//   e2e_x11 close WINDOW      asks the window to close as a window manager does, with a
//                             WM_DELETE_WINDOW client message; exits 2 when the window does not
//                             take part in that protocol, since a window manager would then have
//                             nothing to send.
//   e2e_x11 shot WINDOW FILE  writes the window's picture to FILE as a binary PPM. Quick enough
//                             to poll with, where ImageMagick's import takes a good part of a
//                             second on a busy machine.
//   e2e_x11 iconify           minimises windows that ask for it, as a window manager does: a
//                             window that sends the root WM_CHANGE_STATE (IconicState) is marked
//                             hidden. Runs until the server goes.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
bool g_failed = false;

int onError(Display*, XErrorEvent*) {
    g_failed = true;
    return 0;
}

int askToClose(Display* display, Window window) {
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* listed = nullptr;
    int count = 0;
    bool takesPart = false;
    if (XGetWMProtocols(display, window, &listed, &count)) {
        for (int i = 0; i < count; ++i)
            takesPart = takesPart || listed[i] == deleteWindow;
        XFree(listed);
    }
    if (!takesPart) {
        std::fprintf(stderr, "window 0x%lx does not list WM_DELETE_WINDOW\n", window);
        return 2;
    }
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(deleteWindow);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return g_failed ? 1 : 0;
}

// The position of a channel in a pixel and its width, from the visual's mask.
struct Channel {
    int shift = 0;
    unsigned long max = 0;
};

Channel channel(unsigned long mask) {
    Channel c;
    if (mask == 0)
        return c;
    while (!(mask & 1)) {
        mask >>= 1;
        ++c.shift;
    }
    c.max = mask;
    return c;
}

unsigned char level(unsigned long pixel, const Channel& c) {
    if (c.max == 0)
        return 0;
    return static_cast<unsigned char>(((pixel >> c.shift) & c.max) * 255 / c.max);
}

int shot(Display* display, Window window, const char* path) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || g_failed) {
        std::fprintf(stderr, "no window 0x%lx\n", window);
        return 1;
    }
    // The X server can only read what is on the screen: a window that reaches past its edge (a
    // 640 x 480 window below its caption on a 640 x 480 screen) is read up to the edge, and the
    // rest of the picture is black.
    int left = 0;
    int top = 0;
    Window child;
    XTranslateCoordinates(display, window, attributes.root, 0, 0, &left, &top, &child);
    const int width = std::min(attributes.width, WidthOfScreen(attributes.screen) - left);
    const int height = std::min(attributes.height, HeightOfScreen(attributes.screen) - top);
    XImage* image = width > 0 && height > 0
                        ? XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap)
                        : nullptr;
    if (!image || g_failed) {
        std::fprintf(stderr, "cannot read window 0x%lx\n", window);
        return 1;
    }
    const Channel red = channel(image->red_mask);
    const Channel green = channel(image->green_mask);
    const Channel blue = channel(image->blue_mask);
    std::FILE* out = std::fopen(path, "wb");
    if (!out) {
        std::perror(path);
        XDestroyImage(image);
        return 1;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = x < width && y < height ? XGetPixel(image, x, y) : 0;
            const unsigned char rgb[3] = {level(pixel, red), level(pixel, green),
                                          level(pixel, blue)};
            std::fwrite(rgb, 1, sizeof rgb, out);
        }
    XDestroyImage(image);
    const bool written = std::fclose(out) == 0;
    return written ? 0 : 1;
}
} // namespace

int iconify(Display* display) {
    const Window root = DefaultRootWindow(display);
    const Atom change = XInternAtom(display, "WM_CHANGE_STATE", False);
    const Atom state = XInternAtom(display, "_NET_WM_STATE", False);
    const Atom hidden = XInternAtom(display, "_NET_WM_STATE_HIDDEN", False);
    XSelectInput(display, root, SubstructureNotifyMask);
    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == change &&
            event.xclient.data.l[0] == IconicState) {
            XChangeProperty(display, event.xclient.window, state, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&hidden), 1);
            XFlush(display);
        }
    }
}

int main(int argc, char** argv) {
    const bool isClose = argc == 3 && std::strcmp(argv[1], "close") == 0;
    const bool isShot = argc == 4 && std::strcmp(argv[1], "shot") == 0;
    const bool isIconify = argc == 2 && std::strcmp(argv[1], "iconify") == 0;
    if (!isClose && !isShot && !isIconify) {
        std::fprintf(stderr, "usage: %s close WINDOW | shot WINDOW FILE | iconify\n", argv[0]);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    if (isIconify)
        return iconify(display);
    XSetErrorHandler(onError);
    const Window window = std::strtoul(argv[2], nullptr, 0);
    const int status = isClose ? askToClose(display, window) : shot(display, window, argv[3]);
    XCloseDisplay(display);
    return status;
}
