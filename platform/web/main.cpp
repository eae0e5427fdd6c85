// The page's entry: main hands over to WinMain and ends the runtime with its result, so that the
// page learns that the program has ended however it ends (library.js, page/loader.js).
#include "shell/openwindow.h"

#include <cstdlib>

int main() {
    std::exit(WinMain(nullptr, nullptr, nullptr, 0));
}
