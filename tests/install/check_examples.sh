#!/bin/sh
# usage: check_examples.sh BUILD_DIR SOURCE_DIR WORK_DIR C_COMPILER [EXTRA_FLAGS]
# Installs the library into WORK_DIR/prefix, builds examples/ against it with
# find_package(kyraSparse), runs every example and checks what it prints,
# compiles and runs the quick start of README.md, and runs the krylovrun
# commands of docs/USERS_GUIDE.md with the installed program.
set -eu
build=$1 source=$2 work=$3 cc=$4 extra=${5:-}
prefix=$work/prefix
rm -rf "$work"
mkdir -p "$work"
cmake --install "$build" --prefix "$prefix" >/dev/null
cmake -S "$source/examples" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER="$cc" -DCMAKE_C_FLAGS="-Werror $extra" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null

failures=0
# expect NAME TEXT: the output of NAME holds the line TEXT (a grep pattern).
expect() {
    if ! grep -q -- "$2" "$work/$1.out"; then
        echo "FAILED: $1 printed no line matching: $2"
        failures=$((failures + 1))
    fi
}
# run NAME [ARGS]: runs the program in WORK_DIR; a nonzero exit is a failure.
run() {
    name=$1
    shift
    if ! (cd "$work" && "$work/build/$name" "$@") >"$work/$name.out" 2>&1; then
        echo "FAILED: $name exited with an error"
        failures=$((failures + 1))
    fi
    cat "$work/$name.out"
}

converged='^result flag: *the solver converged to the relative tolerance$'
run solve_csr
expect solve_csr '^cg with jacobi converged at iteration [0-9]* to a relative residual of'
expect solve_csr "$converged"
expect solve_csr '^largest error in x: .* (ok)$'

run reuse_plan
for s in 1 2 3; do expect reuse_plan "^right-hand side $s: .* (ok)$"; done
for s in 2 3; do expect reuse_plan "^right-hand side $s: preconditioner time 0.000 s$"; done

run matrix_free
expect matrix_free '^data format: *matrix free$'
expect matrix_free '^preconditioner: *user defined$'
expect matrix_free "$converged"
expect matrix_free '^largest error in x: .* (ok)$'
expect matrix_free '^callbacks: .*, 0 of them on the calling thread$'

run complex_system
expect complex_system '^solver: *bicgstab$'
expect complex_system '^preconditioner: *ilu0$'
expect complex_system "$converged"
expect complex_system '^largest error in x: .* (ok)$'

run convergence_history history.txt
expect convergence_history 'because the maximum number of iterations was reached$'
expect convergence_history '^history: 61 entries written to history.txt$'
expect convergence_history '^the best iterate has the smallest recorded residual: yes$'
if [ "$(grep -c '^[0-9]' "$work/history.txt" 2>/dev/null)" != 61 ]; then
    echo "FAILED: history.txt does not hold 61 entries"
    failures=$((failures + 1))
fi

# The README's quick start: its one fenced C block, compiled as a user would.
# shellcheck disable=SC2016
sed -n '/^```c$/,/^```$/p' "$source/README.md" | sed '1d;$d' >"$work/quick_start.c"
libdir=$(dirname "$(find "$prefix" -name 'libkyrasparse.so' | head -n 1)")
# shellcheck disable=SC2086
"$cc" $extra -std=c99 -Wall -Wextra -Werror -o "$work/build/quick_start" "$work/quick_start.c" \
    -I "$prefix/include" -L "$libdir" -Wl,-rpath,"$libdir" -lkyrasparse
run quick_start
expect quick_start '^status 0, x = 1 1 1$'
expect quick_start "$converged"

# The krylovrun commands of the user's guide, run with the installed program
# from a folder that holds the samples. Each ends in a comment saying what it
# does: "converges", "stops at the iteration limit" or "prints: TEXT".
ln -s "$source/samples" "$work/samples"
grep '^krylovrun ' "$source/docs/USERS_GUIDE.md" >"$work/guide_commands"
[ -s "$work/guide_commands" ] || { echo "FAILED: no krylovrun commands in the guide"; failures=$((failures + 1)); }
set -f
while IFS= read -r line; do
    command=${line%%#*}
    comment=${line#*# }
    case $comment in
    converges) wanted='^result flag: *the solver converged to the relative tolerance$' ;;
    "stops at the iteration limit") wanted='^result flag: *the maximum number of iterations was reached$' ;;
    "prints: "*) wanted="^${comment#prints: }\$" ;;
    *) wanted='' ;;
    esac
    # shellcheck disable=SC2086
    if [ -z "$wanted" ] ||
        ! (cd "$work" && LD_LIBRARY_PATH=$libdir "$prefix/bin/"$command) >"$work/krylovrun.out" 2>&1 ||
        ! grep -q -- "$wanted" "$work/krylovrun.out"; then
        echo "FAILED: guide command: $line"
        cat "$work/krylovrun.out"
        failures=$((failures + 1))
    fi
done <"$work/guide_commands"
set +f
[ -f "$work/solution.mtx" ] || { echo "FAILED: krylovrun x=solution.mtx wrote no file"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "examples and quick start: all checks passed"
exit "$failures"
