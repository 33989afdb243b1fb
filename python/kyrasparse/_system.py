"""Turning SciPy and NumPy objects into what the library takes, without
copies where the dtype and index type already fit."""

import numpy as np
import scipy.sparse as sp
from scipy.sparse.linalg import LinearOperator, aslinearoperator

_DTYPES = tuple(np.dtype(t) for t in (np.float32, np.float64, np.complex64, np.complex128))
_INT32_MAX = np.iinfo(np.int32).max
PRECONDITIONERS = ("jacobi", "blockjacobi", "ilu0", "ainv", "fainv")


def scalar_type(*dtypes):
    """The system's dtype: integers and booleans become float64, as in SciPy."""
    dtype = np.result_type(*dtypes)
    if dtype.kind in "biu":
        dtype = np.dtype(np.float64)
    if dtype not in _DTYPES:
        raise TypeError(f"unsupported dtype {dtype}: use float32, float64, complex64 or complex128")
    return dtype


def vector(v, n, dtype, name):
    """v as a contiguous vector of n finite elements of dtype; (n, 1) is taken as (n,)."""
    v = np.asarray(v)
    if v.dtype.kind not in "biufc":
        raise TypeError(f"{name} has unsupported dtype {v.dtype}")
    if v.dtype.kind == "c" and dtype.kind != "c":
        raise TypeError(f"{name} is complex but the system is real ({dtype})")
    if v.ndim == 2 and v.shape[1] == 1:
        v = v[:, 0]
    if v.shape != (n,):
        raise ValueError(f"{name} has shape {v.shape}, expected ({n},) to match A")
    v = np.ascontiguousarray(v, dtype=dtype)
    if not np.isfinite(v).all():
        raise ValueError(f"{name} contains NaN or infinity")
    return v


def _indices(a, name):
    if a.size and (a.min() < 0 or a.max() > _INT32_MAX):
        raise ValueError(f"{name} does not fit 32-bit indices")
    return np.ascontiguousarray(a, dtype=np.int32)


class System:
    """The matrix A: sparse arrays in CSR, CSC or COO, or a LinearOperator
    for the matrix-free product."""

    def __init__(self, A):
        if isinstance(A, LinearOperator):
            self.operator, self.format = A, "matrixfree"
        elif sp.issparse(A):
            self.operator = A if A.format in ("csr", "csc", "coo") else A.tocsr()
            self.format = self.operator.format
        else:
            dense = np.asarray(A)
            if dense.ndim != 2:
                raise ValueError(f"A must be two-dimensional, got shape {dense.shape}")
            self.operator, self.format = sp.csr_array(dense), "csr"
        shape = tuple(self.operator.shape)
        if len(shape) != 2 or shape[0] != shape[1]:
            raise ValueError(f"A must be square, got shape {shape}")
        if shape[0] > _INT32_MAX:
            raise ValueError("A exceeds the 32-bit index range")
        self.n = shape[0]
        self.dtype = np.dtype(self.operator.dtype) if self.operator.dtype is not None else None

    def attach(self, plan, x, b):
        """Hands A, x and b to the plan; the library keeps pointers to them."""
        A, dtype = self.operator, x.dtype
        if self.format == "matrixfree":
            plan.matrix_free(product(A, dtype), x, b)
            return
        a = np.ascontiguousarray(A.data, dtype=dtype)
        if self.format == "csr":
            i1, i2 = _indices(A.indptr, "indptr"), _indices(A.indices, "indices")
        elif self.format == "csc":
            i1, i2 = _indices(A.indices, "indices"), _indices(A.indptr, "indptr")
        else:
            i1, i2 = _indices(A.row, "row"), _indices(A.col, "col")
        plan.data(self.format, a, i1, i2, x, b)


def product(op, dtype):
    """The callback the library calls for op(A) v, op being "N", "T" or "C"."""

    def apply(mode, v):
        if mode == "N":
            y = op.matvec(v)
        elif mode == "C":
            y = op.rmatvec(v)
        else:
            y = np.conj(op.rmatvec(np.conj(v)))
        return np.ascontiguousarray(np.ravel(y), dtype=dtype)

    return apply


def set_preconditioner(plan, M, n, dtype, block_size=5, pattern=0, drop_tolerance=0.0):
    """M: None, a preconditioner name or anything aslinearoperator takes,
    applying M^-1 (SciPy's convention)."""
    if M is None or (isinstance(M, str) and M == "none"):
        plan.preconditioner("none", block_size, pattern, drop_tolerance)
    elif isinstance(M, str):
        if M not in PRECONDITIONERS:
            raise ValueError(f"unknown preconditioner {M!r}: use one of {', '.join(PRECONDITIONERS)}")
        plan.preconditioner(M, block_size, pattern, drop_tolerance)
    else:
        op = aslinearoperator(M)
        if tuple(op.shape) != (n, n):
            raise ValueError(f"M has shape {tuple(op.shape)}, expected {(n, n)}")
        plan.user_preconditioner(product(op, dtype), n)
