#!/usr/bin/env python3
"""Writes the seed corpus of both fuzz targets into fuzz/corpus/<target>/.

Interface seeds are spelled in the choices fuzz_interface.cpp reads, in its
order; reader seeds are a vector-length byte followed by a file. Each fault
that fuzzing found has a seed named after it, kept as a regression input.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def choice(lo, hi, value):
    """The bytes Input::range(lo, hi) reads as value."""
    span, reach, count = hi - lo + 1, 1, 0
    while reach < span:
        reach <<= 8
        count += 1
    return (value - lo).to_bytes(count, "big") if count else b""


def flag(value):
    return choice(0, 1, int(value))


REALS = {0.0: 0, 1.0: 1, -1.0: 2, 2.0: 3, 0.5: 4, 4.0: 6, 100.0: 13, "inf": 16, "nan": 18}


def real(value):
    if value in REALS:
        return choice(0, 20, REALS[value])
    return choice(0, 20, 20) + struct.pack("<d", value)


def values(reals):
    return b"".join(real(v) + flag(False) for v in reals)


def index(base, limit, value):
    return choice(0, 15, 1) + choice(0, max(limit - 1, 0), value - base)


TYPES = {"S": 0, "D": 1, "C": 2, "Z": 3}
FORMATS = {"csr": 0, "csc": 1, "coo": 2}


def system(kind, fmt, n, first, second, reals, dominant=False):
    """A zero-based system; first and second as the target names them."""
    nnz = len(reals)
    out = choice(0, 3, TYPES[kind]) + choice(0, 2, FORMATS[fmt])
    out += choice(0, 7, 1) + choice(0, 1, 0)  # base 0
    out += choice(0, 15, 1) + choice(1, 48, n)
    out += choice(0, 256, nnz)

    def pointers(ptr):
        return b"".join(choice(0, nnz, p) for p in ptr) + choice(0, 7, 1) + choice(0, 7, 1)

    def indices(idx):
        return b"".join(index(0, n, i) for i in idx)

    if fmt == "csr":
        out += pointers(first) + indices(second)
    elif fmt == "csc":
        out += indices(first) + pointers(second)
    else:
        out += indices(first) + indices(second)
    return out + flag(dominant) + values(reals) + flag(False)


SOLVERS = {"cg": 0, "bicg": 1, "bicgstab": 2, "bicgstabl": 3, "gmres": 4, "minres": 5, "none": 6}
SOLVER_OPTION = {"bicg": (-1, 2, 0), "bicgstabl": (-1, 5, 2), "gmres": (-1, 8, 5)}


def solve(solver="cg", preconditioner=b"\x00", iterations=20, foreign=False):
    out = choice(0, 1, 0)  # conversion output base
    out += choice(0, 3, 0)  # no reordering
    out += choice(0, 31, 1) * 3  # no null arrays
    out += choice(0, 6, SOLVERS[solver])
    if solver in SOLVER_OPTION:
        out += choice(*SOLVER_OPTION[solver])
    out += preconditioner
    out += choice(0, 30, iterations) + flag(True) + flag(False) + flag(False)
    return out + choice(1, 2, 1) + flag(foreign)


def ainv(pattern, drop, factorized=False):
    return choice(0, 5, 5 if factorized else 4) + choice(-1, 4, pattern) + real(drop)


def poisson1d(n):
    rows, cols, vals = [], [], []
    for i in range(n):
        for j, v in ((i - 1, -1.0), (i, 4.0), (i + 1, -1.0)):
            if 0 <= j < n:
                rows.append(i)
                cols.append(j)
                vals.append(v)
    return rows, cols, vals


def interface_seeds():
    rows, cols, vals = poisson1d(6)
    ptr = [sum(1 for r in rows if r < i) for i in range(7)]
    yield "csr_cg_jacobi", system("D", "csr", 6, ptr, cols, vals) + solve("cg", choice(0, 5, 1))
    yield "coo_gmres_ilu0", system("Z", "coo", 6, rows, cols, vals) + solve("gmres", choice(0, 5, 3))
    yield "csc_bicgstab_blockjacobi", system("S", "csc", 6, rows, ptr, vals) + solve(
        "bicgstab", choice(0, 5, 2) + choice(-1, 6, 2))
    yield "coo_minres_fainv", system("C", "coo", 6, rows, cols, vals) + solve("minres", ainv(1, 0.0, True))
    # An empty matrix, whose conversion to CSR has null arrays: the product
    # must not offset them.
    yield "fault1_empty_matrix", system("D", "coo", 3, [], [], []) + solve("cg")
    # Duplicates under a high pattern power: the pattern must not walk paths.
    dup_rows = [k % 2 for k in range(256)]
    yield "fault2_power_pattern_duplicates", system("D", "coo", 2, dup_rows, dup_rows, [1.0] * 256) + solve(
        "gmres", ainv(3, 0.0))
    # Approximate inverses without entries: non-finite values all dropped,
    # or a matrix without entries.
    yield "fault3_ainv_all_dropped", system("D", "csr", 2, [0, 1, 2], [1, 0], ["nan", "nan"]) + solve(
        "gmres", ainv(0, 0.5))
    for name, factorized in (("ainv", False), ("fainv", True)):
        yield "fault3_" + name + "_no_entries", system("D", "csr", 2, [0, 0, 0], [], []) + solve(
            "gmres", ainv(0, 0.0, factorized))
    # The plan driven through a second handle must be refused.
    yield "fault5_foreign_handle", system("D", "csr", 6, ptr, cols, vals) + solve("cg", foreign=True)


def reader_seeds():
    banner = b"%%MatrixMarket matrix coordinate "
    yield "real_general", b"\x04" + banner + b"real general\n% comment\n4 4 5\n1 1 2\n2 2 2\n3 3 2\n4 4 2\n1 4 -1\n"
    yield "real_symmetric", b"\x03" + banner + b"real symmetric\n3 3 5\n1 1 4\n2 1 -1\n2 2 4\n3 2 -1\n3 3 4\n"
    yield "complex_hermitian", b"\x02" + banner + b"complex hermitian\n2 2 3\n1 1 4 0\n2 1 1 2\n2 2 5 0\n"
    yield "pattern_general", b"\x02" + banner + b"pattern general\n2 2 2\n1 1\n2 2\n"
    yield "integer_skew", b"\x02" + banner + b"integer skew-symmetric\n2 2 1\n2 1 3\n"
    yield "real_array", b"\x03%%MatrixMarket matrix array real general\n3 1\n1\n2.5\n-3e2\n"
    yield "complex_array", b"\x02%%MatrixMarket matrix array complex general\n2 1\n1 0\n0 1\n"
    # Reading stops at the first entry line: a 3 x 3 matrix without entries.
    yield "fault1_unparsed_first_entry", b"\x03" + banner + b"real general\n3 3 1\nx 1 1\n"
    # No entries at all: the data setter refuses the empty value array.
    yield "fault4_no_entries", b"\x03" + banner + b"real general\n3 3 0\n"


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    write("fuzz_interface", interface_seeds())
    write("fuzz_mmio", reader_seeds())
