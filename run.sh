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
echo "run.sh: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the" >&2
echo "Dravelo window cannot open. Start it from a desktop session." >&2
exit 1
