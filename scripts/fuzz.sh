#!/usr/bin/env bash
# Usage: scripts/fuzz.sh [SECONDS [HARNESS...]]
# Builds the fuzz harnesses with clang and the sanitizers in build-fuzz/, then runs each (or the named
# ones) in turn for SECONDS (default 60) and prints its executions and coverage. Inputs that fail land
# in build-fuzz/findings/<harness>/; copy them to fuzz/regressions/<harness>/ once they are fixed.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TESSALY_FUZZ_BUILD:-$root/build-fuzz}
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" -DTESSALY_FUZZ=ON -DTESSALY_BUILD_TESTS=OFF \
    -DTESSALY_BUILD_BENCH=OFF -DTESSALY_SKIP="app;cli;disc;scheduler" >/dev/null
harnesses=$(sed -n 's/^set(TESSALY_FUZZ_HARNESSES \(.*\))$/\1/p' "$root/fuzz/Harnesses.cmake")
if [ $# -gt 1 ]; then
    shift
    for h in "$@"; do
        [[ " $harnesses " == *" $h "* ]] || { echo "no harness $h (there are: $harnesses)" >&2; exit 2; }
    done
    harnesses="$*"
fi
targets=()
for h in $harnesses; do targets+=(--target "fuzz_$h"); done
nice cmake --build "$build" -j2 "${targets[@]}"

# A harness's seeds: fuzz/corpus/<name>, or the folder of the tree that Harnesses.cmake names for it.
seedsOf() {
    local named
    named=$(sed -n "s/^set(tessaly_fuzz_$1_seeds \(.*\))\$/\1/p" "$root/fuzz/Harnesses.cmake")
    echo "$root/${named:-fuzz/corpus/$1}"
}

found=0
for h in $harnesses; do
    corpus="$build/corpus/$h"
    findings="$build/findings/$h"
    log="$build/logs/$h.log"
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    # New inputs go to the build folder's corpus; the seeds and regressions in the tree are only read.
    set +e
    start=$SECONDS
    nice "$build/fuzz/fuzz_$h" -max_total_time="$seconds" -print_final_stats=1 -timeout=20 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" "$corpus" "$(seedsOf "$h")" "$root/fuzz/regressions/$h" >"$log" 2>&1
    rc=$?
    ran=$((SECONDS - start))
    set -e
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1)
    units=$(find "$corpus" -type f | wc -l)
    if [ "$rc" -eq 0 ]; then result="no finding"; else result="FINDING (exit $rc), see $log and $findings"; found=1; fi
    printf '%-14s %5s s  executions: %-10s %s  corpus: %s  %s\n' "$h" "$ran" "${execs:-?}" "${cov:-cov: ?}" "$units" "$result"
done
exit $found
