#include "support/display.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
// Xvfb writes its display number to the pipe once it takes clients. Without a window manager
// nobody makes the atom that tells one about borders, so it is made here: SDL then records a
// borderless window where xprop sees it.
bool startServer(const char* screen) {
    int ready[2];
    if (pipe(ready) != 0)
        return false;
    const pid_t server = fork();
    if (server == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(ready[1]).c_str(), "-screen", "0",
               screen, "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    char number[16] = {};
    const bool started = server > 0 && read(ready[0], number, sizeof number - 1) > 0;
    close(ready[0]);
    if (!started)
        return false;
    setenv("DISPLAY", (":" + std::string(number, std::strcspn(number, "\n"))).c_str(), 1);
    Shell("xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0");
    return true;
}

struct Server : ::testing::Environment {
    explicit Server(const char* size) : screen(size) {}
    void SetUp() override { ASSERT_TRUE(startServer(screen)) << "Xvfb did not start"; }
    const char* screen;
};
} // namespace

::testing::Environment* PrivateDisplay(const char* screen) {
    return ::testing::AddGlobalTestEnvironment(new Server(screen));
}

std::string Shell(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}
