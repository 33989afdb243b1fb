"""The solvers with the signatures of scipy.sparse.linalg.

Each stops, as SciPy does, when |b - A x| <= max(rtol * |b|, atol) (gmres
with a preconditioner: when |M^-1 r| <= rtol |M^-1 r0| or |M^-1 r| <= atol,
the residual left-preconditioned GMRES minimises) and
returns (x, info): info 0 when converged, the iteration count when the
iterations ran out (or the solve stagnated or diverged), -1 on breakdown.
maxiter counts iterations (for gmres: restart cycles, as in SciPy) and
defaults to 10 n. callback, when given, is called after the solve once
per iteration with |r_k| / |r_0|; the library does not hand out iterates.
"""

import numpy as np

from ._kyrasparse import Plan
from ._solver import Config, run
from ._system import System, scalar_type, set_preconditioner, vector


def _solve(method, A, b, x0, rtol, atol, maxiter, M, callback, parameter=0):
    system = System(A)
    n = system.n
    b_array = np.asarray(b)
    dtype = scalar_type(*[t for t in (system.dtype, b_array.dtype) if t is not None])
    b = vector(b_array, n, dtype, "b")
    x = np.zeros(n, dtype) if x0 is None else vector(x0, n, dtype, "x0").copy()
    if rtol < 0 or atol < 0:
        raise ValueError("rtol and atol must not be negative")
    b_norm = float(np.linalg.norm(b))
    if b_norm == 0.0:
        return np.zeros(n, dtype), 0
    plan = Plan()
    plan.solver(method, parameter)
    set_preconditioner(plan, M, n, dtype)
    system.attach(plan, x, b)

    config = Config(maxiter=10 * n if maxiter is None else int(maxiter), history=callback is not None)
    tiny = np.finfo(np.float64).tiny
    if x0 is None or (method == "gmres" and M is not None):
        # From x = 0, r0 = b: the library's relative test is SciPy's rule.
        # Preconditioned GMRES measures M^-1 r and so needs the relative test.
        atol, rtol = max(atol, tiny), min(max(rtol, tiny), 1.0)
    else:
        # From x0, SciPy's rule is an absolute one.
        atol, rtol = max(rtol * b_norm, atol, tiny), tiny
    # SciPy has no divergence test.
    result = run(plan, config, x0 is not None, atol=atol, rtol=rtol, divtol=np.inf)
    if callback is not None:
        for residual in result.history[1:]:
            callback(residual)
    return x, result.info


def cg(A, b, x0=None, *, rtol=1e-6, atol=0.0, maxiter=None, M=None, callback=None):
    """Conjugate gradient, for Hermitian positive definite A."""
    return _solve("cg", A, b, x0, rtol, atol, maxiter, M, callback)


def bicg(A, b, x0=None, *, rtol=1e-6, atol=0.0, maxiter=None, M=None, callback=None):
    """Biconjugate gradient; uses products with A^H (rmatvec for a LinearOperator)."""
    return _solve("bicg", A, b, x0, rtol, atol, maxiter, M, callback)


def bicgstab(A, b, x0=None, *, rtol=1e-6, atol=0.0, maxiter=None, M=None, callback=None):
    """BiCGSTAB."""
    return _solve("bicgstab", A, b, x0, rtol, atol, maxiter, M, callback)


def bicgstabl(A, b, x0=None, *, rtol=1e-6, atol=0.0, maxiter=None, M=None, callback=None, l=2):
    """BiCGSTAB(l)."""
    return _solve("bicgstabl", A, b, x0, rtol, atol, maxiter, M, callback, l)


def gmres(A, b, x0=None, *, rtol=1e-6, atol=0.0, restart=20, maxiter=None, M=None, callback=None):
    """GMRES restarted every `restart` iterations."""
    return _solve("gmres", A, b, x0, rtol, atol, maxiter, M, callback, restart)


def minres(A, b, x0=None, *, rtol=1e-6, atol=0.0, maxiter=None, M=None, callback=None):
    """MINRES, for Hermitian A."""
    return _solve("minres", A, b, x0, rtol, atol, maxiter, M, callback)
