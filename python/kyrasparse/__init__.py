"""kyrasparse: preconditioned Krylov solvers for one sparse system A x = b.

The functions ``cg``, ``bicg``, ``bicgstab``, ``bicgstabl``, ``gmres`` and
``minres`` take the arguments of their ``scipy.sparse.linalg`` namesakes and
return ``(x, info)``; ``Solver`` gives the whole stopping report and reuses
the preconditioner's set-up across right-hand sides.
"""

from ._errors import KyraSparseError
from ._kyrasparse import Plan as _Plan
from ._solver import Config, Flag, Result, Solver
from ._scipy import bicg, bicgstab, bicgstabl, cg, gmres, minres
from ._plot import plot_history

__all__ = [
    "KyraSparseError", "Config", "Flag", "Result", "Solver",
    "cg", "bicg", "bicgstab", "bicgstabl", "gmres", "minres",
    "plot_history", "version",
]


def version():
    """The library's version as "major.minor.patch"."""
    v = _Plan().version()
    return f"{v // 1000}.{v % 1000 // 100}.{v % 100}"
