#!/bin/sh
# usage: scripts/install-deps.sh [extra packages...]
# Installs every build and test dependency on a fresh Debian 12 machine, and
# the extra packages named (scripts/fuzz.sh names clang's). Idempotent: does
# nothing (and prints nothing) when all is present.
set -eu
packages="cmake ninja-build g++ make libopenblas-dev libopenblas-openmp-dev liblapacke-dev libsuitesparse-dev libgtest-dev pkg-config python3-venv python3-dev $*"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
