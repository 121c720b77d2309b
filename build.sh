#!/usr/bin/env bash
# Installs what Korvan Debugger needs (Debian packages), configures and builds
# it in ./build, then starts korvan-host on the demo program. Set
# KORVAN_SKIP_INSTALL=1 to skip the package step.
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(
    cmake make g++ pkg-config
    qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
    gdb python3 libboost-dev iverilog yosys
    clang libclang-rt-14-dev libclang-dev valgrind
    libkf5syntaxhighlighting-dev
    # The font file the label and picture tests load, whatever else is installed.
    fonts-dejavu-core
)

if [ "${KORVAN_SKIP_INSTALL:-0}" != 1 ]; then
    SUDO=""
    if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${PACKAGES[@]}"
fi

JOBS=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$JOBS"

# With a display and a terminal, korvan-host opens its window on the demo;
# otherwise (CI, ssh) it runs once in batch mode, prints the demo's locals
# and ends.
if [ -t 1 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec build/bin/korvan-host
else
    build/bin/korvan-host --batch
fi
