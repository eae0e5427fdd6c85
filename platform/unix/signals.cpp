// Signals, which Win32 programs do not get. SIGTERM, SIGINT, SIGHUP and SIGQUIT ask every window
// to close (WM_CLOSE, through PeekMessageA), so that the program ends through its own teardown,
// which gives a changed display mode back. An open message box closes at once, and later ones
// answer at once. Once the program has ended, it ends by that signal, so that a calling shell
// sees it was interrupted. A second such signal, for a program that no longer answers, ends it
// at once. A signal that was ignored at start (nohup) stays ignored.
// Crashes are left alone: whatever ends the process, the guardian of x11.cpp gives a changed
// display mode back.
#include "internal.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
volatile std::sig_atomic_t g_terminating = 0; // the first termination signal, 0 before it
volatile std::sig_atomic_t g_closeRequests = 0;

const int kTermination[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
struct sigaction g_previous[NSIG];

// Hands the signal to what was there before (for the program, the default action, which ends
// it): raised again, it comes as soon as the handler it may be raised from returns.
void takeCourse(int sig) {
    sigaction(sig, &g_previous[sig], nullptr);
    raise(sig);
}

void onTermination(int sig, siginfo_t*, void*) {
    if (g_terminating) {
        takeCourse(sig);
        return;
    }
    g_terminating = sig;
    g_closeRequests = 1;
}

void endBySignal() {
    if (!g_terminating)
        return;
    std::fflush(nullptr);
    takeCourse(g_terminating);
}

void install(int sig) {
    sigaction(sig, nullptr, &g_previous[sig]);
    if (!(g_previous[sig].sa_flags & SA_SIGINFO) && g_previous[sig].sa_handler == SIG_IGN)
        return;
    struct sigaction action = {};
    action.sa_sigaction = onTermination;
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
}
} // namespace

void watchSignals() {
    static bool watching = false;
    if (watching)
        return;
    watching = true;
    for (int sig : kTermination)
        install(sig);
    std::atexit(endBySignal);
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
