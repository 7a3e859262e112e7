# Sourced by the benchmark scripts from the repository's top folder: sets `cli` to the program
# they measure, dravelo-cli of a release build (built first when missing), or the program that
# DRAVELO_CLI names.
cli="${DRAVELO_CLI:-build/release/bin/dravelo-cli}"
if [ ! -x "$cli" ]; then
    cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DDRAVELO_TESTS=OFF >/dev/null
    cmake --build build/release -j"$(nproc)" --target dravelo-cli tickwell
fi
