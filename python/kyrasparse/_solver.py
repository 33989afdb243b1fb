"""Solver: a plan with its matrix, solved for one right-hand side after another."""

import enum
from dataclasses import dataclass, field

import numpy as np

from ._kyrasparse import Plan
from ._system import System, scalar_type, set_preconditioner, vector

SOLVERS = ("cg", "bicg", "bicgstab", "bicgstabl", "gmres", "minres")
_REORDERINGS = {None: 0, "none": 0, "amd": 1, "symamd": 2}


class Flag(enum.IntEnum):
    """How a solve ended (kyraSparseFlag)."""

    RELATIVE_TOLERANCE = 0
    ABSOLUTE_TOLERANCE = 1
    DIVERGENCE = 2
    MAX_ITERATIONS = 3
    MAX_RUNTIME = 4
    STAGNATION = 5
    BREAKDOWN = 6
    USER_INTERRUPT = 7
    NO_SOLVER = 8
    UNKNOWN_ERROR = 9


@dataclass
class Config:
    """The stopping rules of a solve (kyraSparseConfig). A solve stops when
    |r| / |r0| <= rtol or |r| <= atol."""

    rtol: float = 1e-6
    atol: float = 1e-50
    divtol: float = 1e5
    maxiter: int = 10000
    max_runtime: float = 0.0  # seconds, 0 for no limit
    best_iterate: bool = False  # return the best iterate seen rather than the last
    stagnation_check: bool = True
    history: bool = True  # record |r| / |r0| of every iteration


@dataclass
class Result:
    """The stopping report of one solve (kyraSparseResult)."""

    flag: Flag
    text: str  # the flag in words
    summary: str  # the library's one-sentence account of the solve
    iterations: int
    initial_residual: float
    relative_residual: float
    absolute_residual: float
    solver_time: float
    preconditioner_time: float  # 0 when the set-up was reused
    overhead_time: float
    total_time: float
    history: np.ndarray = field(repr=False)  # |r| / |r0| per iteration, empty when not recorded
    rtol: float = 1e-6
    report: str = field(default="", repr=False)  # the library's full result text

    @property
    def converged(self):
        return self.flag in (Flag.RELATIVE_TOLERANCE, Flag.ABSOLUTE_TOLERANCE)

    @property
    def info(self):
        """SciPy's convergence code: 0 converged, > 0 the iterations run
        without converging, < 0 breakdown."""
        if self.converged:
            return 0
        if self.flag in (Flag.DIVERGENCE, Flag.MAX_ITERATIONS, Flag.MAX_RUNTIME, Flag.STAGNATION):
            return max(self.iterations, 1)
        return -1


def run(plan, config, initial_guess, atol=None, rtol=None, divtol=None):
    """Executes plan under config and returns its Result; atol, rtol and
    divtol override the config's values."""
    history = np.full(config.maxiter + 1, np.nan) if config.history else None
    rtol = config.rtol if rtol is None else rtol
    r = plan.execute(rtol=rtol, atol=config.atol if atol is None else atol,
                     divtol=config.divtol if divtol is None else divtol, maxiter=config.maxiter,
                     max_runtime=config.max_runtime, initial_guess=initial_guess,
                     best_iterate=config.best_iterate, stagnation_check=config.stagnation_check,
                     history=history)
    recorded = history[: r["iterations"] + 1] if history is not None else np.empty(0)
    text = next((line.split(":", 1)[1].strip() for line in r["report"].splitlines()
                 if line.startswith("result flag:")), "")
    return Result(flag=Flag(r["flag"]), text=text, summary=r["summary"], iterations=r["iterations"],
                  initial_residual=r["initial_residual"], relative_residual=r["relative_residual"],
                  absolute_residual=r["absolute_residual"], solver_time=r["solver_time"],
                  preconditioner_time=r["preconditioner_time"], overhead_time=r["overhead_time"],
                  total_time=r["total_time"], history=recorded, rtol=rtol, report=r["report"])


class Solver:
    """A solver, preconditioner and platform bound to one matrix A.

    The preconditioner is set up by the first solve and reused by later ones;
    the arrays of A are used in place and must not change while the Solver
    lives. ``solve(b, x0=None)`` returns ``(x, Result)``.

    solver: "cg", "bicg", "bicgstab", "bicgstabl" (with l), "gmres" (with
    restart) or "minres". preconditioner: None, "jacobi", "blockjacobi" (with
    block_size), "ilu0", "ainv" or "fainv" (with pattern and drop_tolerance),
    or a LinearOperator applying M^-1. platform: "host" or "cuda" (with
    device_id and hybrid); reordering: None, "amd" or "symamd".
    """

    def __init__(self, A, solver="cg", preconditioner=None, *, platform="host", reordering=None,
                 config=None, dtype=None, l=2, restart=20, block_size=5, pattern=0, drop_tolerance=0.0,
                 device_id=0, hybrid=False):
        self._system = System(A)
        n = self._system.n
        self.dtype = scalar_type(dtype or self._system.dtype or np.float64)
        self.config = config or Config()
        self._plan = Plan()
        if reordering not in _REORDERINGS:
            raise ValueError(f"unknown reordering {reordering!r}: use None, 'amd' or 'symamd'")
        if platform == "host":
            self._plan.host_platform(_REORDERINGS[reordering])
        elif platform == "cuda":
            self._plan.cuda_platform(_REORDERINGS[reordering], device_id, hybrid)
        else:
            raise ValueError(f"unknown platform {platform!r}: use 'host' or 'cuda'")
        if solver not in SOLVERS:
            raise ValueError(f"unknown solver {solver!r}: use one of {', '.join(SOLVERS)}")
        self._plan.solver(solver, l if solver == "bicgstabl" else restart)
        set_preconditioner(self._plan, preconditioner, n, self.dtype, block_size, pattern, drop_tolerance)
        # The library reads b and x0 from these buffers on every solve.
        self._x = np.zeros(n, self.dtype)
        self._b = np.zeros(n, self.dtype)
        self._system.attach(self._plan, self._x, self._b)
        # The host platform reads the current b and x0 on every solve, with or
        # without reordering; the CUDA platform uploads them only when the
        # data are attached, so there each solve attaches them again (and
        # sets the preconditioner up again).
        self._reattach = platform != "host"
        self._solved = False

    @property
    def n(self):
        return self._system.n

    def describe(self):
        """The plan in words: data format, platform, preconditioner, solver."""
        return self._plan.text("plan")

    def solve(self, b, x0=None, config=None):
        """Solves A x = b, starting from x0 (zero when None)."""
        self._b[:] = vector(b, self.n, self.dtype, "b")
        if x0 is not None:
            self._x[:] = vector(x0, self.n, self.dtype, "x0")
        if self._reattach and self._solved:
            self._system.attach(self._plan, self._x, self._b)
        result = run(self._plan, config or self.config, x0 is not None)
        self._solved = True
        return self._x.copy(), result
