#!/usr/bin/env python3
"""Writes the shipped sample systems as Matrix Market files.

usage: make_sample.py poisson N FILE      2-D 5-point Poisson on an N x N grid (SPD, symmetric storage)
       make_sample.py convdiff N FILE     2-D convection-diffusion, upwind, Peclet 20 (nonsymmetric)
"""
import sys


def grid_neighbours(n, i, j):
    for di, dj in ((-1, 0), (0, -1), (0, 1), (1, 0)):
        a, b = i + di, j + dj
        if 0 <= a < n and 0 <= b < n:
            yield di, dj, a * n + b


def poisson(n):
    # Lower triangle only, one-based, column by column as the format expects.
    entries = []
    for i in range(n):
        for j in range(n):
            k = i * n + j
            entries.append((k + 1, k + 1, 4.0))
            for _, _, m in grid_neighbours(n, i, j):
                if m > k:
                    entries.append((m + 1, k + 1, -1.0))
    return "symmetric", entries


def convdiff(n):
    h = 1.0 / (n + 1)
    velocity = 20.0
    entries = []
    for i in range(n):
        for j in range(n):
            k = i * n + j
            entries.append((k + 1, k + 1, 4.0 + velocity * h))
            for di, dj, m in grid_neighbours(n, i, j):
                upwind = -velocity * h if (di, dj) == (0, -1) else 0.0
                entries.append((k + 1, m + 1, -1.0 + upwind))
    return "general", entries


def main():
    kind, n, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    symmetry, entries = {"poisson": poisson, "convdiff": convdiff}[kind](n)
    with open(path, "w") as f:
        f.write(f"%%MatrixMarket matrix coordinate real {symmetry}\n")
        f.write(f"% {kind} on a {n} x {n} grid, written by scripts/make_sample.py\n")
        f.write(f"{n * n} {n * n} {len(entries)}\n")
        for r, c, v in entries:
            f.write(f"{r} {c} {v:.17g}\n")


if __name__ == "__main__":
    main()
