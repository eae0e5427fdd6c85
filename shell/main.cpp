// The process entry: Windows enters WinMain directly; elsewhere main hands over to it.
#include "shell/openwindow.h"

int main() {
    return WinMain(nullptr, nullptr, nullptr, 0);
}
