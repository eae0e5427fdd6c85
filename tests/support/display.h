// A virtual X server of the test process's own, and shell commands.
#pragma once

#include <gtest/gtest.h>

#include <string>

// Starts Xvfb with the screen (e.g. "640x480x24") for this process before any test runs and
// points DISPLAY at it, so that no other test's windows take the focus or the key presses. The
// server ends with the process.
::testing::Environment* PrivateDisplay(const char* screen);

// Runs a shell command and gives its standard output.
std::string Shell(const std::string& command);
