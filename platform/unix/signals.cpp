// Signals, which Win32 programs do not get. A program on the stand-in ends on them as it would
// when its windows are closed, and never leaves the desktop in its display mode:
// - SIGTERM, SIGINT, SIGHUP and SIGQUIT ask every window to close (WM_CLOSE, through
//   PeekMessageA), so that the program ends through its own teardown, which gives a changed
//   display mode back. An open message box closes at once, and later ones answer at once. A
//   second such signal, for a program that no longer answers, ends it as the signal would, the
//   display mode given back first.
// - SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT give a changed display mode back and then take
//   their course as before: the handler that was there (a sanitizer's, say) or the default, so
//   the exit status and the core dump stay as they were.
#include "internal.h"

#include <csignal>

namespace platform {
namespace {
volatile std::sig_atomic_t g_terminating = 0;
volatile std::sig_atomic_t g_closeRequests = 0;

const int kTermination[] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};
const int kCrash[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
struct sigaction g_previous[NSIG];

// Hands the signal to what was there before: a signal that was sent is sent again; one that a
// fault caused comes again when the faulting instruction runs again.
void takeCourse(int sig, siginfo_t* info) {
    struct sigaction previous = g_previous[sig];
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler == SIG_IGN)
        previous.sa_handler = SIG_DFL;
    sigaction(sig, &previous, nullptr);
    if (info == nullptr || info->si_code <= 0 || sig == SIGABRT)
        raise(sig);
}

void onCrash(int sig, siginfo_t* info, void*) {
    restoreDesktopMode();
    takeCourse(sig, info);
}

void onTermination(int sig, siginfo_t* info, void*) {
    if (g_terminating) {
        restoreDesktopMode();
        takeCourse(sig, info);
        return;
    }
    g_terminating = 1;
    g_closeRequests = 1;
}

void install(int sig, void (*handler)(int, siginfo_t*, void*)) {
    struct sigaction action = {};
    action.sa_sigaction = handler;
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
        install(sig, onTermination);
    for (int sig : kCrash)
        install(sig, onCrash);
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
