#include "support/display.h"

#include <cstdio>
#include <cstdlib>

namespace {
// Xvfb writes its display number to the pipe once it takes clients, and ends with this process.
struct Server : ::testing::Environment {
    explicit Server(const char* size) : screen(size) {}
    void SetUp() override {
        FILE* server = popen(("exec setpriv --pdeathsig TERM Xvfb -displayfd 1 -screen 0 " +
                              std::string(screen) + " -nolisten tcp -noreset 2>/dev/null")
                                 .c_str(),
                             "r");
        char number[16] = {};
        ASSERT_TRUE(server && std::fgets(number, sizeof number, server)) << "Xvfb did not start";
        setenv("DISPLAY", (":" + std::to_string(std::atoi(number))).c_str(), 1);
    }
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
