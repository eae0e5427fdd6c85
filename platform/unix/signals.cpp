// Signals, which Win32 programs do not get. SIGTERM, SIGINT, SIGHUP and SIGQUIT ask every window
// to close (WM_CLOSE, through PeekMessageA), so that the program ends through its own teardown,
// which gives a changed display mode back. An open message box closes at once, and later ones
// answer at once. A second such signal, for a program that no longer answers, ends it as the
// signal would.
// Crashes are left alone: whatever ends the process, the guardian of x11.cpp gives a changed
// display mode back.
#include "internal.h"

#include <csignal>

namespace platform {
namespace {
volatile std::sig_atomic_t g_terminating = 0;
volatile std::sig_atomic_t g_closeRequests = 0;

const int kTermination[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
struct sigaction g_previous[NSIG];

// Hands the signal to what was there before: raised again, it comes as soon as the handler
// returns.
void takeCourse(int sig) {
    struct sigaction previous = g_previous[sig];
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN)
        previous.sa_handler = SIG_DFL;
    sigaction(sig, &previous, nullptr);
    raise(sig);
}

void onTermination(int sig, siginfo_t*, void*) {
    if (g_terminating) {
        takeCourse(sig);
        return;
    }
    g_terminating = 1;
    g_closeRequests = 1;
}

void install(int sig) {
    struct sigaction action = {};
    action.sa_sigaction = onTermination;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, &g_previous[sig]);
}
} // namespace

void watchSignals() {
    static bool watching = false;
    if (watching)
        return;
    watching = true;
    for (int sig : kTermination)
        install(sig);
}

bool terminationRequested() {
    return g_terminating != 0;
}

bool takeCloseRequest() {
    if (!g_closeRequests)
        return false;
    g_closeRequests = 0;
    return true;
}

} // namespace platform
