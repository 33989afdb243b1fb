#!/bin/sh
# usage: check_install.sh BUILD_DIR WORK_DIR C_COMPILER EXTRA_FLAGS SAMPLE.mtx PROGRAM.c...
# Installs the build into WORK_DIR/prefix, then checks what a user meets
# there: the installed krylovrun starts and solves in a clean environment,
# and each plain C program builds with nothing but the installed pkg-config
# file's flags and runs.
set -eu
build=$1 work=$2 cc=$3 extra=$4 sample=$5
shift 5
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null

pc=$(find "$prefix" -name kyrasparse.pc | head -n 1)
[ -n "$pc" ] || { echo "no kyrasparse.pc installed"; exit 1; }
pcdir=$(dirname "$pc")
libdir=$(dirname "$pcdir")

if [ -e "$prefix/bin/krylovrun" ]; then
    env -i "$prefix/bin/krylovrun" A="$sample" solver=cg >"$work/krylovrun.out" 2>&1 ||
        { cat "$work/krylovrun.out"; exit 1; }
fi

flags=$(PKG_CONFIG_PATH=$pcdir pkg-config --cflags --libs kyrasparse)
for program in "$@"; do
    name=$(basename "$program" .c)
    # shellcheck disable=SC2086
    "$cc" $extra -std=c99 -Wall -Wextra -Werror -o "$work/$name" "$program" $flags -lm
    LD_LIBRARY_PATH=$libdir "$work/$name"
done
