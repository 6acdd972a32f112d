#!/usr/bin/env bash
# Sets up what the clock needs on Debian, builds it, and either starts it
# (./build.sh run) or runs every test (./build.sh test).
set -euo pipefail
cd "$(dirname "$0")"

packages=(cmake ninja-build g++ qt6-base-dev qt6-multimedia-dev libgtest-dev libbenchmark-dev
          libxcb1-dev libxcb-shape0-dev xvfb xauth xdotool x11-utils x11-xserver-utils imagemagick openbox pulseaudio pulseaudio-utils sox)

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build build --parallel
}

case "${1:-}" in
run)
    install_missing
    build
    exec ./build/clock
    ;;
test)
    install_missing
    build
    cd build
    exec ctest --output-on-failure --parallel "$(nproc)" --timeout 300
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
