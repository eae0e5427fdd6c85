#!/usr/bin/env bash
# Reads a generated model file of hundreds of megabytes (written to the temporary directory and
# removed afterwards) and prints the reading time and the memory it took.
# Usage: tests/robust/hugemodel.sh [megabytes]   (default 300)
set -euo pipefail
cd "$(dirname "$0")/../.."
megabytes=${1:-300}
cmake -S . -B build-robust -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-robust -j2 --target test_robust >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    xvfb_start 640x480x24
    trap xvfb_stop EXIT
fi
BALANTOR_HUGE_MODEL_MB=$megabytes build-robust/tests/test_robust \
    --gtest_filter='*HugeModelFile*' | grep -E '^huge model|OK|FAILED'
