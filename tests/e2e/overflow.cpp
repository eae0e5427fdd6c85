// Preloaded into the program by the end-to-end signals case: SIGUSR1 makes it recurse until its
// stack runs out, as a runaway recursion would.
#include <csignal>

namespace {
volatile bool g_deeper = true;

int depth(volatile char* caller) {
    volatile char frame[512];
    frame[0] = static_cast<char>(caller[0] + 1);
    return g_deeper ? depth(frame) + frame[0] : 0;
}

void overflow(int) {
    volatile char start[1] = {0};
    depth(start);
}

__attribute__((constructor)) void arm() {
    std::signal(SIGUSR1, overflow);
}
} // namespace
