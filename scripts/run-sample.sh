#!/bin/sh
# Builds the project and solves the shipped sample system with krylovrun.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh" "$root/build"
if [ ! -x "$root/build/driver/krylovrun" ]; then
    echo "krylovrun is not built yet; running the interface smoke test instead"
    exec ctest --test-dir "$root/build" -R install --output-on-failure
fi
exec "$root/build/driver/krylovrun" A="$root/samples/poisson2d_60.mtx" solver=cg "$@"
