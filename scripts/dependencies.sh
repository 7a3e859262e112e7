# Sourced by run.sh and test.sh: installs the Debian packages the build and the tests need,
# asking apt only for what is missing (through sudo when not root).
dravelo_packages=(cmake g++ make pkg-config qt6-base-dev libgl-dev libgtest-dev libgmock-dev
                  strace binutils util-linux mount e2fsprogs libbenchmark-dev python3
                  fonts-dejavu-core fonts-dejavu-extra xvfb libxcb1-dev ccache)

# The chart (Qt SVG), the desktop files' validators and the Debian package's tools.
dravelo_packages+=(qt6-svg-dev desktop-file-utils appstream man-db dpkg-dev file)

# The run history (Qt SQL's SQLite driver), the sqlite3 shell for looking into it, and
# Prometheus' promtool, which checks the files --prometheus writes.
dravelo_packages+=(libqt6sql6-sqlite sqlite3 prometheus)

# The package test: lintian checks the packages, which are then installed with their run-time
# dependencies; completion is tried in bash with bash-completion loaded.
dravelo_packages+=(lintian qt6-translations-l10n bash-completion)

# Fuzzing (clang's libFuzzer) and fault injection with a real tool.
dravelo_packages+=(clang-14 libclang-rt-14-dev fiu-utils libfiu-dev)

# Qt's own dialogs in the program's language at run time; a real screen reader's view of the
# window (AT-SPI over a session bus) in the tests.
dravelo_packages+=(qt6-translations-l10n dbus at-spi2-core python3-pyatspi)

# Drive profiles: requests at queue depth through io_uring.
dravelo_packages+=(liburing-dev)

dravelo_install_dependencies() {
    local missing=()
    for package in "${dravelo_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
