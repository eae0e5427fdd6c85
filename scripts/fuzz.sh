#!/usr/bin/env bash
# Fuzzes the model reader and the bitmap loaders (the desktop's and the web page's) with libFuzzer, one target after the other.
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 600)
#
# The working corpora live in fuzz-corpus/ and grow from run to run; each run starts from them plus
# the committed seeds in fuzz/seeds/ and the files in models/. A crash, a hang (10 s), a leak or
# a single allocation of 64 MB or more stops the target; the input is saved in
# fuzz-corpus/findings/ and the script fails. Such an input belongs in tests/robust/inputs/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}

scripts/deps.sh test
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBALANTOR_FUZZ=ON -DBALANTOR_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target ase_fuzz bmp_fuzz webbmp_fuzz

mkdir -p fuzz-corpus/ase_fuzz fuzz-corpus/bmp_fuzz fuzz-corpus/webbmp_fuzz fuzz-corpus/findings
seed() { # directory files...
    local dir=$1
    shift
    for f in "$@"; do [ -e "$dir/$(basename "$f")" ] || cp "$f" "$dir/"; done
}
seed fuzz-corpus/ase_fuzz fuzz/seeds/ase/* models/*.ASE
# The small texture bitmaps; the 3 MB ground bitmap would only slow every mutation down.
seed fuzz-corpus/bmp_fuzz fuzz/seeds/bmp/* $(find models -name '*.bmp' -size -16k)
seed fuzz-corpus/webbmp_fuzz fuzz/seeds/bmp/* $(find models -name '*.bmp' -size -16k)

export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
run() {
    local target=$1 maxlen=$2 dict=${3:-$1}
    echo "== fuzzing $target for ${seconds}s"
    local log="fuzz-corpus/$target.log"
    if ! build-fuzz/fuzz/"$target" "fuzz-corpus/$target" -dict="fuzz/$dict.dict" \
        -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 -rss_limit_mb=2048 \
        -malloc_limit_mb=64 -print_final_stats=1 \
        -artifact_prefix="fuzz-corpus/findings/$target-" >"$log" 2>&1; then
        echo "$target: finding, see $log and fuzz-corpus/findings/" >&2
        grep -A30 -m1 -E '^==[0-9]+==ERROR|^SUMMARY|runtime error|ERROR: libFuzzer' "$log" >&2 || tail -40 "$log" >&2
        status=1
    fi
    grep -E '^Done|stat::peak_rss_mb' "$log" | sed "s/^/$target: /" || true
}
run ase_fuzz 8192
run bmp_fuzz 16384
run webbmp_fuzz 16384 bmp_fuzz
exit $status
