#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: once in a warnings-as-errors
# build, once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/dependencies.sh
dravelo_install_dependencies

export QT_QPA_PLATFORM=offscreen
# A compiler cache makes a build of sources it has seen before quick; paths are taken relative to
# the checkout, so another clone of the same sources finds its objects too.
if command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
jobs="$(nproc)"

run_suite() {
    local folder="$1"; shift
    echo "== Building $folder"
    cmake -S . -B "$folder" -DDRAVELO_TESTS=ON "$@" >/dev/null
    cmake --build "$folder" -j"$jobs"
    echo "== Testing $folder"
    ctest --test-dir "$folder" --output-on-failure --timeout 300 -j"$jobs"
}

run_suite build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDRAVELO_WERROR=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DDRAVELO_SANITIZE=ON -DDRAVELO_WERROR=ON
