#!/usr/bin/env bash
# Prints the size of the tests against the rest of the code: non-blank, non-comment lines of C,
# C++, JavaScript, shell and Python, in tests/ and fuzz/ against everything else the repository
# tracks (the web page's own scripts count as code).
set -euo pipefail
cd "$(dirname "$0")/.."
count() {
    local c s
    c=$(git ls-files -- "$@" | grep -E '\.(c|cc|cpp|cxx|h|hh|hpp|js|mjs)$' | xargs -r cat |
        grep -c -v -E '^\s*(//.*)?$' || true)
    s=$(git ls-files -- "$@" | grep -E '\.(sh|py)$' | xargs -r cat |
        grep -c -v -E '^\s*(#.*)?$' || true)
    echo $((c + s))
}
tests=$(count 'tests/*' 'fuzz/*')
rest=$(($(count '*') - tests))
echo "tests: $tests lines, the rest: $rest lines, tests are $((100 * tests / rest))% of the rest"
