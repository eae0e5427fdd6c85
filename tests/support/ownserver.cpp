// Linked into the tests that draw: a virtual X server of the test process's own, so that its
// windows meet no other test's.
#include "support/display.h"

namespace {
const auto* const g_display = PrivateDisplay("1024x768x24");
} // namespace
