#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (under AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each in turn for the given number of seconds.
#
#   ./fuzz.sh [seconds] [target...]     default: 60 seconds, every target
#
# Each target starts from its corpus in fuzz/corpus/<target>/ and the inputs that once
# failed in fuzz/regressions/<target>/; what it finds new goes to build/fuzz/work/<target>/.
# An input that crashes or breaks a property is left in build/fuzz/crashes/<target>/: once the
# fault is fixed, copy it into fuzz/regressions/<target>/, where the test suite replays it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/dependencies.sh
dravelo_install_dependencies

seconds="${1:-60}"
shift || true
all_targets=($(sed -n 's/^dravelo_fuzz_target(\([a-z_]*\).*/\1/p' fuzz/CMakeLists.txt))
targets=("${@:-${all_targets[@]}}")

build=build/fuzz
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
echo "== Building the fuzz targets in $build"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDRAVELO_FUZZ=ON -DDRAVELO_TESTS=OFF -DDRAVELO_WERROR=OFF \
    -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}"

export QT_QPA_PLATFORM=offscreen
mkdir -p "$build/logs"
status=0
summary=()
for target in "${targets[@]}"; do
    work="$build/work/$target"
    crashes="$build/crashes/$target"
    mkdir -p "$work" "$crashes"
    echo "== Fuzzing $target for $seconds s (log: $build/logs/$target.log)"
    result="ok"
    # Shares the machine: lower priority, one target at a time.
    if ! nice -n 10 "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$crashes/" \
        "$work" "fuzz/corpus/$target" "fuzz/regressions/$target" >"$build/logs/$target.log" 2>&1; then
        result="FAILED, input in $crashes/"
        status=1
        grep -E 'property does not hold|ERROR: |SUMMARY: ' "$build/logs/$target.log" | head -5 || true
    fi
    executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/logs/$target.log")"
    summary+=("$(printf '%-20s %12s executions  %s' "$target" "${executions:-?}" "$result")")
done

echo "== Summary ($seconds s each)"
printf '%s\n' "${summary[@]}"
exit "$status"
