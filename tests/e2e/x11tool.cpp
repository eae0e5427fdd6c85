// What the end-to-end tests need from the X server beyond xdotool:
//   e2e_x11 close WINDOW      asks the window to close as a window manager does, with a
//                             WM_DELETE_WINDOW client message.
//   e2e_x11 shot WINDOW FILE  writes the window's picture to FILE as a binary PPM. Quick enough
//                             to poll with, where ImageMagick's import takes a good part of a
//                             second on a busy machine. The test servers are 24-bit TrueColor.
//   e2e_x11 kill WINDOW       ends the connection of the client that made the window, as xkill
//                             does.
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
#include <string>

namespace {
bool g_failed = false;

int onError(Display*, XErrorEvent*) {
    g_failed = true;
    return 0;
}

int askToClose(Display* display, Window window) {
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return g_failed ? 1 : 0;
}

int shot(Display* display, Window window, const char* path) {
    XWindowAttributes attributes;
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, window, &attributes) && !g_failed) {
        // The X server can only read what is on the screen: a window that reaches past its edge
        // (a 640 x 480 window below its caption on a 640 x 480 screen) is read up to the edge,
        // and the rest of the picture is black.
        int left = 0;
        int top = 0;
        Window child;
        XTranslateCoordinates(display, window, attributes.root, 0, 0, &left, &top, &child);
        const int width = std::min(attributes.width, WidthOfScreen(attributes.screen) - left);
        const int height = std::min(attributes.height, HeightOfScreen(attributes.screen) - top);
        if (width > 0 && height > 0)
            image = XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap);
    }
    if (!image || g_failed) {
        std::fprintf(stderr, "cannot read window 0x%lx\n", window);
        return 1;
    }
    std::string ppm = "P6\n" + std::to_string(attributes.width) + " " +
                      std::to_string(attributes.height) + "\n255\n";
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel =
                x < image->width && y < image->height ? XGetPixel(image, x, y) : 0;
            ppm += {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8),
                    static_cast<char>(pixel)};
        }
    XDestroyImage(image);
    std::FILE* out = std::fopen(path, "wb");
    const bool written = out && std::fwrite(ppm.data(), 1, ppm.size(), out) == ppm.size();
    return out && std::fclose(out) == 0 && written ? 0 : 1;
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
    const std::string command = argc > 1 ? argv[1] : "";
    if (!(command == "iconify" && argc == 2) &&
        !((command == "close" || command == "kill") && argc == 3) &&
        !(command == "shot" && argc == 4)) {
        std::fprintf(stderr, "usage: %s close WINDOW | kill WINDOW | shot WINDOW FILE | iconify\n",
                     argv[0]);
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cannot open the display\n");
        return 1;
    }
    if (command == "iconify")
        return iconify(display);
    XSetErrorHandler(onError);
    const Window window = std::strtoul(argv[2], nullptr, 0);
    int status;
    if (command == "kill") {
        XKillClient(display, window);
        XSync(display, False);
        status = g_failed ? 1 : 0;
    } else {
        status = command == "close" ? askToClose(display, window) : shot(display, window, argv[3]);
    }
    XCloseDisplay(display);
    return status;
}
