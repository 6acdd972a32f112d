#!/usr/bin/env bash
# Sets up what the clock needs on Debian, builds it, and either starts it
# (./build.sh run) or runs every test (./build.sh test).
set -euo pipefail
cd "$(dirname "$0")"

# What building and running the clock needs.
run_packages=(g++ cmake ninja-build qt6-base-dev qt6-multimedia-dev libx11-dev libxcb1-dev libxcb-shape0-dev)
# What the tests and benchmarks need besides: an X server, a window manager
# and the tools that drive and look at the window; a sound server with the
# tools that record and measure it; the test and benchmark libraries, and
# xclock, which the whole-program benchmark measures the clock against.
test_packages=(xvfb openbox xdotool x11-utils x11-xserver-utils imagemagick procps
               pulseaudio pulseaudio-utils sox libgtest-dev libbenchmark-dev x11-apps)

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

configure() {
    # A build/ that another generator or another checkout configured cannot
    # be configured again with this one: start it afresh.
    local cache=build/CMakeCache.txt
    if [ -f "$cache" ] && ! { grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$cache" &&
                              grep -qx "CMAKE_HOME_DIRECTORY:INTERNAL=$(pwd -P)" "$cache"; }; then
        echo "build/ was configured with another generator or source folder; starting it afresh"
        rm -rf build
    fi
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}

case "${1:-}" in
run)
    install_missing "${run_packages[@]}"
    configure -DBUILD_TESTING=OFF -DCLOCK_BENCH=OFF
    cmake --build build --parallel
    exec ./build/clock
    ;;
test)
    install_missing "${run_packages[@]}" "${test_packages[@]}"
    # Warnings fail the build here, so that none lands.
    configure -DBUILD_TESTING=ON -DCLOCK_BENCH=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
    cmake --build build --parallel
    cd build
    exec ctest --output-on-failure --parallel "$(nproc)" --timeout 300
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
