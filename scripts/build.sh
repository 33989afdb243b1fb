#!/bin/sh
# usage: scripts/build.sh [BUILD_DIR] [extra cmake arguments...]
# Configures (Release, Ninja) and builds everything.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ $# -gt 0 ] && shift
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build"
