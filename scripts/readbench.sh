#!/usr/bin/env bash
# Compares the program's model import (normals included) with Assimp's (no post-processing),
# whole process against whole process: one object of 100,000 faces and 200 objects of 500 faces,
# generated without the file's own normals. Each import runs in a process of its own, ours and
# Assimp's alternately, 7 times each; prints the medians of wall-clock time and peak memory, and
# our share of Assimp's.
# Usage: scripts/readbench.sh [runs]   (default 7)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
scripts/deps.sh bench
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBALANTOR_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target aseload assimpload asebench >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/readbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Wall-clock time of one process, from its start to its end, to the microsecond, and its peak
# resident memory. (GNU time counts in hundredths of a second, coarse for imports this short.)
measure() { # program file -> "seconds kilobytes"
    python3 -c '
import os, sys, time
start = time.perf_counter()
pid = os.fork()
if pid == 0:
    os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
    os.execv(sys.argv[1], sys.argv[1:])
_, status, usage = os.wait4(pid, 0)
print("%.6f %d" % (time.perf_counter() - start, usage.ru_maxrss))
sys.exit(os.waitstatus_to_exitcode(status))' "$1" "$2"
}

printf '%-22s %7s %9s %9s %9s %9s %7s %7s\n' shape MB "ours s" "Assimp s" "ours MB" \
    "Assimp MB" "time" memory
for shape in "one object:1 250 200" "200 objects:200 25 10"; do
    name=${shape%%:*}
    file="$work/model.ASE"
    build-bench/tools/asebench --write "$file" ${shape#*:}
    : >"$work/ours"
    : >"$work/assimp"
    for _ in $(seq "$runs"); do
        measure build-bench/tools/aseload "$file" >>"$work/ours"
        measure build-bench/tools/assimpload "$file" >>"$work/assimp"
    done
    ours_s=$(cut -d' ' -f1 "$work/ours" | median)
    assimp_s=$(cut -d' ' -f1 "$work/assimp" | median)
    ours_kb=$(cut -d' ' -f2 "$work/ours" | median)
    assimp_kb=$(cut -d' ' -f2 "$work/assimp" | median)
    awk -v n="$name" -v mb="$(stat -c %s "$file")" -v os="$ours_s" -v as="$assimp_s" \
        -v ok="$ours_kb" -v ak="$assimp_kb" 'BEGIN {
        printf "%-22s %7.1f %9.3f %9.3f %9.1f %9.1f %7.2f %7.2f\n", n, mb / 1e6, os, as,
               ok / 1024, ak / 1024, os / as, ok / ak }'
done
