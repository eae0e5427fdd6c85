#!/usr/bin/env bash
# Builds the simulator and starts it from the project root, where its models folder is.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
cmake -S . -B build-run -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBALANTOR_TESTS=OFF >/dev/null
cmake --build build-run -j"$(nproc)" --target balantor
exec ./build-run/balantor
