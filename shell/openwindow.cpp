#include "shell/openwindow.h"

#include "render/text.h"
#include "sim/InitGL.h"
#include "sim/object.h"

#include <cstring>

HDC hDC = nullptr;
HGLRC hRC = nullptr;
HWND hWnd = nullptr;
HINSTANCE hInstance = nullptr;
bool active = true;
bool fullscreen = true;
bool keys[256];

bool svangV = false;
bool svangH = false;
bool modelbyte = true;
float hjulrot = 0;

initGL start;
text slut;

namespace {
// M switches the rider once per press: remember whether it was already down last frame.
bool riderKeyHeld = false;

void creationError(const char* message) {
    MessageBoxA(nullptr, message, "ERROR", MB_OK | MB_ICONEXCLAMATION);
}

void shutdownError(const char* message) {
    MessageBoxA(nullptr, message, "SHUTDOWN ERROR", MB_OK | MB_ICONINFORMATION);
}

// Undoes what was made so far, then reports the failure.
bool failCreation(const char* message) {
    KillGLWindow();
    creationError(message);
    return false;
}
} // namespace

void KillGLWindow() {
    if (fullscreen) {
        ChangeDisplaySettingsA(nullptr, 0);
        ShowCursor(TRUE);
    }
    if (hRC) {
        if (!wglMakeCurrent(nullptr, nullptr))
            shutdownError("Release Of DC And RC Failed.");
        if (!wglDeleteContext(hRC))
            shutdownError("Release Rendering Context Failed.");
        hRC = nullptr;
    }
    if (hDC) {
        if (!ReleaseDC(hWnd, hDC))
            shutdownError("Release Device Context Failed.");
        hDC = nullptr;
    }
    if (hWnd) {
        if (!DestroyWindow(hWnd))
            shutdownError("Could Not Release hWnd.");
        hWnd = nullptr;
    }
    if (!UnregisterClassA("OpenGL", hInstance))
        shutdownError("Could Not Unregister Class.");
    slut.KillFont();
}

bool CreateGLWindow(const char* title, int width, int height, int bits, bool fullscreenflag) {
    RECT windowRect;
    windowRect.left = 0;
    windowRect.top = 0;
    windowRect.right = width;
    windowRect.bottom = height;
    fullscreen = fullscreenflag;
    hInstance = GetModuleHandleA(nullptr);

    WNDCLASSA wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = WndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = nullptr;
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "OpenGL";
    if (!RegisterClassA(&wc)) {
        creationError("Failed To Register The Window Class.");
        return false;
    }

    if (fullscreen) {
        DEVMODEA screenSettings;
        std::memset(&screenSettings, 0, sizeof screenSettings);
        screenSettings.dmSize = sizeof screenSettings;
        screenSettings.dmPelsWidth = width;
        screenSettings.dmPelsHeight = height;
        screenSettings.dmBitsPerPel = bits;
        screenSettings.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
        if (ChangeDisplaySettingsA(&screenSettings, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) {
            if (MessageBoxA(nullptr,
                            "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. "
                            "Use Windowed Mode Instead?",
                            "Quib GL", MB_YESNO | MB_ICONEXCLAMATION) == IDYES) {
                fullscreen = false;
            } else {
                MessageBoxA(nullptr, "Program Will Now Close.", "ERROR", MB_OK | MB_ICONSTOP);
                return false;
            }
        }
    }

    DWORD exStyle;
    DWORD style;
    if (fullscreen) {
        exStyle = WS_EX_APPWINDOW;
        style = WS_POPUP;
        ShowCursor(FALSE);
    } else {
        exStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
        style = WS_OVERLAPPEDWINDOW;
    }
    AdjustWindowRectEx(&windowRect, style, FALSE, exStyle);

    hWnd =
        CreateWindowExA(exStyle, "OpenGL", title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                        windowRect.right - windowRect.left, windowRect.bottom - windowRect.top,
                        nullptr, nullptr, hInstance, nullptr);
    if (!hWnd)
        return failCreation("Window Creation Error.");

    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = static_cast<BYTE>(bits);
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;

    hDC = GetDC(hWnd);
    if (!hDC)
        return failCreation("Can't Create A GL Device Context.");
    const int pixelFormat = ChoosePixelFormat(hDC, &pfd);
    if (!pixelFormat)
        return failCreation("Can't Find A Suitable PixelFormat.");
    if (!SetPixelFormat(hDC, pixelFormat, &pfd))
        return failCreation("Can't Set The PixelFormat.");
    hRC = wglCreateContext(hDC);
    if (!hRC)
        return failCreation("Can't Create A GL Rendering Context.");
    if (!wglMakeCurrent(hDC, hRC))
        return failCreation("Can't Activate The GL Rendering Context.");

    ShowWindow(hWnd, SW_SHOW);
    SetForegroundWindow(hWnd);
    SetFocus(hWnd);
    start.ReSizeGLScene(width, height);
    if (!start.InitGL())
        return failCreation("Initialization Failed.");
    return true;
}

void applyKeys() {
    if (keys[VK_UP])
        theta = static_cast<float>(theta + 0.01);
    if (keys[VK_DOWN])
        theta = static_cast<float>(theta - 0.01);
    if (keys['M'] && !riderKeyHeld)
        modelbyte = !modelbyte;
    riderKeyHeld = keys['M'];
    if (keys[VK_SPACE] && !start.running)
        start.reset();
    if (keys[VK_LEFT])
        svangV = true;
    if (keys[VK_RIGHT])
        svangH = true;
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        active = HIWORD(wParam) == 0;
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER)
            return 0;
        break;
    case WM_CLOSE:
        PostQuitMessage(0);
        return 0;
    case WM_KEYDOWN:
        keys[wParam & 0xff] = true;
        return 0;
    case WM_KEYUP:
        keys[wParam & 0xff] = false;
        svangH = false;
        svangV = false;
        return 0;
    case WM_SIZE:
        start.ReSizeGLScene(LOWORD(lParam), HIWORD(lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    MSG msg;
    bool done = false;
    int exitCode = 0;

    fullscreen = false;
    if (!CreateGLWindow("Balantor", 640, 480, 16, fullscreen))
        return 1;

    while (!done) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                done = true;
                exitCode = static_cast<int>(msg.wParam);
            } else {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        if (active) {
            applyKeys();
            start.DrawGLScene();
            SwapBuffers(hDC);
            if (keys[VK_ESCAPE])
                done = true;
        }
        if (keys[VK_F1]) {
            keys[VK_F1] = false;
            KillGLWindow();
            fullscreen = !fullscreen;
            if (!CreateGLWindow("Quib's OpenGL Framework", 640, 480, 16, fullscreen))
                return 1;
        }
    }

    KillGLWindow();
    return exitCode;
}
