"""Shared systems: a generated one and a real one, in any of the four dtypes.

Complex systems are genuinely complex: D A D^H with D a diagonal of random
phases keeps A Hermitian positive definite with the same spectrum."""

import os
from pathlib import Path

import numpy as np
import pytest
import scipy.io
import scipy.sparse as sp

DTYPES = [np.float32, np.float64, np.complex64, np.complex128]
SINGLE = (np.float32, np.complex64)


def rtol_for(dtype):
    return 1e-4 if dtype in SINGLE else 1e-6


def matrices_dir():
    default = Path(__file__).resolve().parents[2] / ".." / "shared" / "matrices"
    return Path(os.environ.get("KYRA_SHARED_MATRICES", default))


def poisson(m):
    """The 5-point Laplacian on an m x m grid, with unit rows scaled so that
    diagonal preconditioners differ from the identity."""
    t = sp.diags([-1.0, 2.0, -1.0], [-1, 0, 1], shape=(m, m))
    A = sp.kronsum(t, t).tocsr()
    s = sp.diags(np.linspace(1.0, 3.0, m * m))
    return (s @ A @ s).tocsr()


def real_matrix():
    """494_bus, its diagonal raised to the absolute row sums: the real
    pattern and off-diagonal values, conditioned so that every method
    converges in single precision too (the raw matrix has cond 2.4e6)."""
    path = matrices_dir() / "494_bus.mtx"
    if not path.exists():
        pytest.skip(f"{path} not present")
    A = sp.csr_array(scipy.io.mmread(path))
    return (A + sp.diags(abs(A).sum(axis=1))).tocsr()


def in_dtype(A, dtype, seed=0):
    """A and a right-hand side b in dtype."""
    rng = np.random.default_rng(seed)
    n = A.shape[0]
    b = rng.standard_normal(n)
    if np.dtype(dtype).kind == "c":
        d = sp.diags(np.exp(1j * rng.uniform(0, 2 * np.pi, n)))
        A = d @ A @ d.conj()
        b = b + 1j * rng.standard_normal(n)
    return sp.csr_array(A, dtype=dtype), b.astype(dtype)


@pytest.fixture(params=["generated", "494_bus"])
def matrix(request):
    return poisson(12) if request.param == "generated" else real_matrix()


def true_residual(A, x, b):
    b64 = b.astype(np.complex128)
    return np.linalg.norm(b64 - A.astype(np.complex128) @ x) / np.linalg.norm(b64)
