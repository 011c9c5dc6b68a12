#!/usr/bin/env bash
# Builds the fuzz preset into build-fuzz/ and runs each fuzz target, one after another, for the
# given number of seconds (default 60); names after the seconds pick targets. Inputs that break a
# target are kept in build-fuzz/findings/<target>/ (emptied at each run); new corpus entries go to
# build-fuzz/corpus/.
set -euo pipefail
seconds=${1:-60}
cd "$(dirname "$0")/.."
bash tools/install-deps.sh --fuzz
targets=(yahoo google quotemedia eodhd tiingo twelvedata profile symbols bin_writer kyv_writer bin_reader kyv_reader)
if (($# > 1)); then
    targets=("${@:2}")
fi
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >build-fuzz/build.log ||
    { cat build-fuzz/build.log; exit 1; }
findings=0
for target in "${targets[@]}"; do
    out=build-fuzz/findings/$target
    rm -rf "$out"
    mkdir -p "$out" "build-fuzz/corpus/$target"
    build-fuzz/fuzz/fuzz_"$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$out/" "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"$out.log" 2>&1 || true
    runs=$(grep -oE '^(stat::number_of_executed_units: +|#)[0-9]+' "$out.log" | tail -1 | grep -oE '[0-9]+$')
    found=$(find "$out" -type f | wc -l)
    printf '%-11s %12s executions %3d findings\n' "$target" "${runs:-?}" "$found"
    if ((found)); then
        grep -m3 -E 'invariant broken|ERROR:|SUMMARY:' "$out.log" | sed 's/^/    /'
        find "$out" -type f -printf '    %p\n'
        findings=$((findings + found))
    fi
done
exit $((findings > 0))
