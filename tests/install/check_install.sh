#!/bin/sh
# usage: check_install.sh BUILD_DIR PROGRAM.c C_COMPILER WORK_DIR [EXTRA_FLAGS]
set -eu
build=$1 program=$2 cc=$3 work=$4 extra=${5:-}
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$prefix/lib
[ -d "$libdir" ] || libdir=$(dirname "$(find "$prefix" -name 'libkyrasparse.so' | head -n 1)")
# shellcheck disable=SC2086
"$cc" $extra -std=c99 -Wall -Wextra -Werror -o "$work/program" "$program" -I "$prefix/include" -L "$libdir" -lkyrasparse -lm
LD_LIBRARY_PATH=$libdir "$work/program"
