#!/usr/bin/env python3
"""kyrasparse.cg against scipy.sparse.linalg.cg, per matrix, in one run.

Both solve the same system to the same rtol with the same preconditioner
(none, and Jacobi: the library's own against a LinearOperator dividing by
the diagonal). Times are the best of --repeat runs, set-up included.

usage: python bench/bench_python.py [--grid M] [--repeat R] [--rtol T]
(with the package installed, e.g. build/venv/bin/python after scripts/test.sh)
"""

import argparse
import os
import time
from pathlib import Path

import numpy as np
import scipy.io
import scipy.sparse as sp
import scipy.sparse.linalg as sla

import kyrasparse

REAL_MATRICES = ("494_bus", "1138_bus")


def poisson(m):
    t = sp.diags([-1.0, 2.0, -1.0], [-1, 0, 1], shape=(m, m))
    return sp.kronsum(t, t).tocsr()


def matrices(grid):
    yield f"poisson {grid}x{grid}", poisson(grid)
    default = Path(__file__).resolve().parents[1] / ".." / "shared" / "matrices"
    folder = Path(os.environ.get("KYRA_SHARED_MATRICES", default))
    for name in REAL_MATRICES:
        path = folder / f"{name}.mtx"
        if path.exists():
            yield name, sp.csr_matrix(scipy.io.mmread(path))


def best_of(repeat, solve):
    times, out = [], None
    for _ in range(repeat):
        start = time.perf_counter()
        out = solve()
        times.append(time.perf_counter() - start)
    return min(times), out


def count_iterations(solve, **kw):
    calls = []
    solve(callback=lambda _: calls.append(None), **kw)
    return len(calls)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--grid", type=int, default=200, help="Poisson grid side (default 200)")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--rtol", type=float, default=1e-6)
    args = parser.parse_args()

    print(f"kyrasparse {kyrasparse.version()}, OMP_NUM_THREADS={os.environ.get('OMP_NUM_THREADS', 'unset')}")
    print(f"{'matrix':<18}{'n':>8}{'nnz':>10}  {'M':<7}{'kyrasparse s':>13}{'its':>7}{'info':>5}"
          f"{'scipy s':>10}{'its':>7}{'info':>5}{'speed-up':>10}")
    for name, A in matrices(args.grid):
        n = A.shape[0]
        b = A @ np.ones(n)
        maxiter = 10 * n
        diag = A.diagonal()
        for label, ours, theirs in (
            ("none", None, None),
            ("jacobi", "jacobi", sla.LinearOperator(A.shape, matvec=lambda v: v / diag, dtype=A.dtype)),
        ):
            def run_ours(**kw):
                return kyrasparse.cg(A, b, rtol=args.rtol, maxiter=maxiter, M=ours, **kw)

            def run_theirs(**kw):
                return sla.cg(A, b, rtol=args.rtol, maxiter=maxiter, M=theirs, **kw)

            t_ours, (_, info_ours) = best_of(args.repeat, run_ours)
            t_theirs, (_, info_theirs) = best_of(args.repeat, run_theirs)
            print(f"{name:<18}{n:>8}{A.nnz:>10}  {label:<7}{t_ours:>13.4f}{count_iterations(run_ours):>7}"
                  f"{info_ours:>5}{t_theirs:>10.4f}{count_iterations(run_theirs):>7}{info_theirs:>5}"
                  f"{t_theirs / t_ours:>9.1f}x")


if __name__ == "__main__":
    main()
