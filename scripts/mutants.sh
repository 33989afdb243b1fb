#!/bin/bash
# usage: scripts/mutants.sh [LIST] [GREP]
# Mutation check of the test suite. Each line of LIST (default
# tests/mutants.txt) names one single-line change:
#
#   test_binary | file | text on exactly one line | replacement [| gtest filter]
#
# Every change is applied alone to a scratch copy of the tree, the named test
# binary is rebuilt there and run: the mutant is caught when it fails. Only
# lines containing GREP are tried when it is given. Exits non-zero when a
# mutant is missed or does not apply.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
list=${1:-$root/tests/mutants.txt}
only=${2:-}
scratch=${KYRA_MUTANTS_DIR:-/tmp/kyra-mutants}
src=$scratch/src
build=$scratch/build

# Copies keep their modification times, so a reused scratch build only
# rebuilds what changed since the last run.
rm -rf "$src" && mkdir -p "$src"
tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$src" -xf -
[ -d "$root/../shared" ] && ln -sfn "$root/../shared" "$scratch/shared"
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKYRA_CUDA=OFF \
    -DKYRA_BUILD_BENCH=OFF >/dev/null

trim() { sed -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' <<<"$1"; }

# Replaces the first occurrence of $2 by $3 in file $1.
apply() {
    perl -i -pe 'BEGIN { ($p, $r) = splice(@ARGV, 0, 2) }
        if (!$done && (my $i = index($_, $p)) >= 0) { substr($_, $i, length $p) = $r; $done = 1 }' \
        "$2" "$3" "$1"
}

caught=0 missed=0 invalid=0
while IFS= read -r line; do
    case $line in '' | '#'*) continue ;; esac
    [ -n "$only" ] && [[ $line != *"$only"* ]] && continue
    IFS='|' read -r binary file pattern replacement filter <<<"$line"
    binary=$(trim "$binary") file=$(trim "$file") pattern=$(trim "$pattern")
    replacement=$(trim "$replacement") filter=$(trim "${filter:-*}")
    label="$binary $file: $pattern -> $replacement"
    matches=$(grep -cF -- "$pattern" "$root/$file" 2>/dev/null || true)
    if [ "$matches" != 1 ]; then
        echo "invalid  $label (text found on ${matches:-0} lines)"
        invalid=$((invalid + 1))
        continue
    fi
    apply "$src/$file" "$pattern" "$replacement"
    if ! cmake --build "$build" --target "$binary" >"$scratch/build.log" 2>&1; then
        echo "invalid  $label (does not build)"
        invalid=$((invalid + 1))
    elif (cd "$build/tests" && OMP_NUM_THREADS=2 timeout 600 "./$binary" --gtest_filter="$filter" \
            --gtest_brief=1 >"$scratch/run.log" 2>&1); then
        echo "MISSED   $label"
        missed=$((missed + 1))
    else
        echo "caught   $label"
        caught=$((caught + 1))
    fi
    # A fresh copy (new modification time) so the next build drops the mutant.
    cp "$root/$file" "$src/$file"
done <"$list"

echo "mutants: $caught caught, $missed missed, $invalid invalid"
[ "$missed" -eq 0 ] && [ "$invalid" -eq 0 ]
