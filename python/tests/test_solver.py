"""The Solver object, its result record, and what goes wrong loudly."""

import threading
import time

import numpy as np
import pytest
import scipy.sparse as sp
import scipy.sparse.linalg as sla

import kyrasparse as ks
from conftest import in_dtype, poisson, true_residual


def test_result_record_and_setup_reuse():
    A, b = in_dtype(poisson(40), np.complex128)
    solver = ks.Solver(A, "gmres", "ilu0", restart=10)
    x, first = solver.solve(b)
    assert first.flag == ks.Flag.RELATIVE_TOLERANCE and first.info == 0
    assert first.text == "the solver converged to the relative tolerance"
    assert "gmres(10) with ilu0 converged" in first.summary
    assert len(first.history) == first.iterations + 1 and first.history[0] == 1.0
    assert first.history[-1] == pytest.approx(first.relative_residual) and first.relative_residual <= 1e-6
    assert first.preconditioner_time > 0
    assert first.total_time == pytest.approx(first.solver_time + first.preconditioner_time + first.overhead_time)
    assert true_residual(A, x, b) <= 1e-5
    b2 = 1j * b[::-1]
    x2, second = solver.solve(b2, x0=x)
    # Reused: only the check that the set-up exists is timed.
    assert second.preconditioner_time < first.preconditioner_time / 10
    assert true_residual(A, x2, b2) <= 1e-5


def test_csr_arrays_are_used_in_place():
    A, b = in_dtype(poisson(8), np.float64)
    solver = ks.Solver(A, "cg")
    A.data *= 2  # seen by the next set-up: nothing was copied
    x, _ = solver.solve(b)
    assert true_residual(A, x, b) <= 2e-6


def test_reordered_solves_see_each_new_right_hand_side():
    A, b = in_dtype(poisson(10), np.float64)
    solver = ks.Solver(A, "cg", "jacobi", reordering="amd")
    for rhs in (b, -2 * b + 1):
        x, result = solver.solve(rhs)
        assert result.converged and true_residual(A, x, rhs) <= 2e-6


def test_stopping_rules_and_description():
    A, b = in_dtype(poisson(10), np.float32)
    solver = ks.Solver(A, "bicgstabl", "blockjacobi", l=4, block_size=3,
                       config=ks.Config(rtol=1e-12, maxiter=2, stagnation_check=False))
    x, result = solver.solve(b)
    assert result.flag == ks.Flag.MAX_ITERATIONS and result.info == 2 and x.dtype == np.float32
    assert "Solver         : bicgstabl(4)" in solver.describe()


def test_cuda_platform_solves_or_says_why():
    A, b = in_dtype(poisson(10), np.float64)
    try:
        x, result = ks.Solver(A, "cg", platform="cuda").solve(b)
    except ks.KyraSparseError as e:
        pytest.skip(f"no CUDA platform here: {e}")
    assert result.converged and true_residual(A, x, b) <= 2e-6


def test_version():
    assert ks.version() == "5.0.0"


def test_plot_history_without_matplotlib(monkeypatch, capsys):
    monkeypatch.setitem(__import__("sys").modules, "matplotlib", None)
    _, result = ks.Solver(*in_dtype(poisson(4), np.float64)[:1]).solve(np.ones(16))
    assert ks.plot_history(result) is None
    assert "pip install matplotlib" in capsys.readouterr().out


def test_plot_history_with_matplotlib():
    pytest.importorskip("matplotlib").use("Agg")
    _, result = ks.Solver(poisson(4)).solve(np.ones(16))
    ax = ks.plot_history(result)
    assert ax.get_yscale() == "log" and len(ax.lines) == 2


A, B = in_dtype(poisson(4), np.float64)
NAN_B = np.where(np.arange(16) == 3, np.nan, B)


@pytest.mark.parametrize("call, error", [
    (lambda: ks.cg(sp.csr_array(np.ones((3, 4))), np.ones(3)), ValueError),
    (lambda: ks.cg(A.astype(np.longdouble), B), TypeError),
    (lambda: ks.cg(A, np.array(["x"] * 16)), TypeError),
    (lambda: ks.Solver(A, dtype=np.float16), TypeError),
    (lambda: ks.Solver(A).solve(B + 1j), TypeError),
    (lambda: ks.cg(A, NAN_B), ValueError),
    (lambda: ks.cg(A, B, x0=np.full(16, np.inf)), ValueError),
    (lambda: ks.cg(A, np.ones(15)), ValueError),
    (lambda: ks.cg(A, B, x0=np.ones(17)), ValueError),
    (lambda: ks.cg(A, B, M=np.eye(15)), ValueError),
    (lambda: ks.cg(A, B, M="ilu1"), ValueError),
    (lambda: ks.cg(A, B, rtol=-1.0), ValueError),
    (lambda: ks.Solver(A, "qmr"), ValueError),
    (lambda: ks.cg(sla.LinearOperator((16, 16), matvec=lambda v: v[:-1]), B), ValueError),
    (lambda: ks.cg(sla.aslinearoperator(A), B, M="ilu0"), ks.KyraSparseError),
    (lambda: ks.cg(sp.csr_array((A.data, A.indices + 1, A.indptr), shape=A.shape), B), ks.KyraSparseError),
    (lambda: ks._Plan().data("csr", A.data, A.indptr, A.indices[:-1], np.zeros(16), B), ValueError),
    (lambda: ks._Plan().data("csr", A.data, A.indptr.astype(np.int64), A.indices, np.zeros(16), B), TypeError),
])
def test_bad_input_raises(call, error):
    with pytest.raises(error) as caught:
        call()
    assert str(caught.value)


def test_library_error_carries_status_text():
    with pytest.raises(ks.KyraSparseError) as caught:
        ks.cg(sla.aslinearoperator(A), B, M="ilu0")
    assert caught.value.status in (2, 3, 6) and len(str(caught.value)) > 10


def test_gil_released_during_solve():
    # A slowly converging system, run to a fixed iteration count.
    n = 200_000
    A = sp.diags([-1.0, 2.0, -1.0], [-1, 0, 1], shape=(n, n), format="csr")
    solver = ks.Solver(A, config=ks.Config(rtol=1e-300, atol=1e-300, maxiter=200, stagnation_check=False,
                                           history=False))
    counts, stop = [0], threading.Event()

    def count():
        while not stop.is_set():
            counts[0] += 1

    thread = threading.Thread(target=count)
    thread.start()
    start, before = time.perf_counter(), counts[0]
    time.sleep(0.05)  # the counting rate while this thread waits without the GIL
    rate = (counts[0] - before) / (time.perf_counter() - start)
    before = counts[0]
    _, result = solver.solve(np.ones(n))
    during = counts[0] - before
    stop.set()
    thread.join()
    assert result.iterations == 200
    # Holding the GIL would leave the counter only the few milliseconds of
    # Python around the call.
    assert during >= 0.2 * rate * result.solver_time
    assert result.solver_time >= 0.05
