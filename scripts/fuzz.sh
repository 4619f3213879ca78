#!/bin/bash
# Runs the fuzz targets for longer than the test run does.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 600)
set -euo pipefail
source "$(dirname "$0")/env.sh"
bash "$ROOT/scripts/setup.sh"
SECONDS_PER_TARGET=${1:-600}
build_host >/dev/null
for target in fuzz_jokefile fuzz_settings; do
    echo "== $target, $SECONDS_PER_TARGET s"
    corpus=$HOST_BUILD/fuzz-corpus/$target
    mkdir -p "$corpus" "$HOST_BUILD/fuzz-artifacts"
    "$HOST_BUILD/$target" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
        -artifact_prefix="$HOST_BUILD/fuzz-artifacts/" \
        "$corpus" "$ROOT/tests/fuzz/corpus/$target" 2>&1 | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done" || true
done
