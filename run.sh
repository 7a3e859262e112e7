#!/usr/bin/env bash
# Installs what is missing, builds Dravelo in release mode and runs it.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/dependencies.sh
dravelo_install_dependencies

cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DDRAVELO_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/release/bin/dravelo "$@"
fi

# No display: Dravelo's main job from the terminal, a single test of 4 files of 16 MB in a new
# temporary folder that goes again afterwards.
folder="$(mktemp -d "${TMPDIR:-/tmp}/dravelo.XXXXXX")"
trap 'rm -rf "$folder"' EXIT
echo "No display found: running the single-file test in $folder"
status=0
build/release/bin/dravelo-cli --single --files 4 --size 16 "$@" "$folder" || status=$?
exit "$status"
