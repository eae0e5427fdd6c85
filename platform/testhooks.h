// Hooks that let tests and tools see what the platform stand-in would show, in place of the real
// thing. They have no Win32 counterpart.
#pragma once

#include <windows.h>

#include <functional>

// Called by MessageBoxA in place of a box; its result is MessageBoxA's result. An empty hook
// restores the real boxes.
using MessageBoxHook = std::function<int(const char* text, const char* caption, UINT type)>;
void SetMessageBoxHook(MessageBoxHook hook);
