// Preloaded into the program by the leak check: dlclose does nothing, so the libraries that the
// OpenGL and X11 stack load and unload at run time are still mapped when the leak checker prints
// its stacks, and a leak inside them is named by its library rather than by an unknown address.
extern "C" int dlclose(void*) {
    return 0;
}
