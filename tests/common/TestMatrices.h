#ifndef KYRA_TESTS_TESTMATRICES_H
#define KYRA_TESTS_TESTMATRICES_H

// Sparse matrices of the four scalar types built in the tests, with the
// reference arithmetic on them (products, residuals) done in double
// precision by plain loops.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/DataFormat.h"
#include "matrix/HostCsrMatrix.h"

using ScalarTypes = AllScalarTypes;

template <typename T>
struct Entry {
    int row;
    int col;
    T value;
};

// The entries of the transpose (not conjugated): the CSC arrays of a matrix
// are the CSR arrays of its transpose.
template <typename T>
std::vector<Entry<T>> transposed(std::vector<Entry<T>> entries) {
    for (Entry<T>& e : entries) std::swap(e.row, e.col);
    return entries;
}

template <typename T>
std::vector<Entry<T>> sortedByRowAndColumn(std::vector<Entry<T>> entries) {
    std::sort(entries.begin(), entries.end(), [](const Entry<T>& a, const Entry<T>& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    return entries;
}

// A square sparse matrix as CSR arrays with index base 0 or 1. Each row keeps
// its entries in the order given, so tests can build unsorted rows and
// duplicates on purpose. matrix() is a host CSR matrix on these arrays, so
// the object moves but is not copied.
template <typename T>
class Csr {
  public:
    Csr(int n, const std::vector<Entry<T>>& entries, int base = 0) : n_(n), base_(base), rowPtr_(n + 1, 0) {
        std::vector<Entry<T>> byRow = entries;
        std::stable_sort(byRow.begin(), byRow.end(),
                         [](const Entry<T>& a, const Entry<T>& b) { return a.row < b.row; });
        for (const Entry<T>& e : byRow) {
            ++rowPtr_[e.row + 1];
            colInd_.push_back(e.col + base);
            val_.push_back(e.value);
        }
        for (int i = 0; i < n; ++i) rowPtr_[i + 1] += rowPtr_[i];
        for (int& p : rowPtr_) p += base;
        matrix_ = std::make_unique<Iterative::HostCsrMatrixRef<T>>(
            n, n, nnz(), val_.data(), rowPtr_.data(), colInd_.data(), Iterative::IndexType(base));
    }

    int n() const { return n_; }
    int nnz() const { return static_cast<int>(val_.size()); }
    int base() const { return base_; }
    // Zero-based positions of row i's entries.
    int begin(int i) const { return rowPtr_[i] - base_; }
    int end(int i) const { return rowPtr_[i + 1] - base_; }
    const std::vector<T>& val() const { return val_; }
    const std::vector<int>& rowPtr() const { return rowPtr_; }
    const std::vector<int>& colInd() const { return colInd_; }
    const Iterative::HostCsrMatrixRef<T>& matrix() const { return *matrix_; }

    std::vector<Entry<T>> entries() const {
        std::vector<Entry<T>> list;
        for (int i = 0; i < n_; ++i)
            for (int p = begin(i); p < end(i); ++p) list.push_back({i, colInd_[p] - base_, val_[p]});
        return list;
    }

    Dense<T> dense() const { return toDense(n_, base_, val_.data(), rowPtr_.data(), colInd_.data()); }

    // A x in double precision.
    std::vector<Wide<T>> multiply(const std::vector<T>& x) const {
        std::vector<Wide<T>> y(n_, Wide<T>(0));
        for (int i = 0; i < n_; ++i)
            for (int p = begin(i); p < end(i); ++p) y[i] += widen(val_[p]) * widen(x[colInd_[p] - base_]);
        return y;
    }

  private:
    int n_;
    int base_;
    std::vector<int> rowPtr_;
    std::vector<int> colInd_;
    std::vector<T> val_;
    std::unique_ptr<Iterative::HostCsrMatrixRef<T>> matrix_;
};

// A matrix in the caller's arrays of one storage format (Iterative::kCooStorage,
// kCsrStorage or kCscStorage) and index base: (rowPtr, colInd) for CSR,
// (colPtr, rowInd) for CSC, (rowInd, colInd) in the order of the entries for COO.
template <typename T>
struct CallerArrays {
    CallerArrays(int storage, const std::vector<Entry<T>>& entries, int n, int base)
        : storage(storage), n(n), base(base) {
        if (storage == Iterative::kCooStorage) {
            for (const Entry<T>& e : entries) {
                first.push_back(e.row + base);
                second.push_back(e.col + base);
                values.push_back(e.value);
            }
        } else {
            const Csr<T> compressed(n, storage == Iterative::kCsrStorage ? entries : transposed(entries),
                                    base);
            first = compressed.rowPtr();
            second = compressed.colInd();
            values = compressed.val();
        }
    }
    int nnz() const { return static_cast<int>(values.size()); }

    int storage, n, base;
    std::vector<int> first, second;
    std::vector<T> values;
};

// The matrix of a host CSR matrix of either base.
template <typename T>
Dense<T> toDense(const Iterative::Matrix<T>& matrix) {
    const auto& a = dynamic_cast<const Iterative::HostCsrMatrix<T>&>(matrix);
    return toDense(a.n(), a.index().toInt(), a.val(), a.rowPtr(), a.colInd());
}

// b = A x*, rounded to T.
template <typename T>
std::vector<T> rightHandSide(const Csr<T>& A, const std::vector<T>& xStar) {
    std::vector<T> b;
    for (const Wide<T>& v : A.multiply(xStar)) b.push_back(scalar<T>(kyra::realPart(v), kyra::imagPart(v)));
    return b;
}

// |b - A x| in double precision.
template <typename T>
double trueResidual(const Csr<T>& A, const std::vector<T>& b, const std::vector<T>& x) {
    std::vector<Wide<T>> r = A.multiply(x);
    for (std::size_t i = 0; i < b.size(); ++i) r[i] = widen(b[i]) - r[i];
    return norm(r);
}

// A smooth solution with a different value in every entry.
template <typename T>
std::vector<T> smoothSolution(int n) {
    std::vector<T> x(n);
    for (int i = 0; i < n; ++i) x[i] = scalar<T>(1.0 + std::sin(0.37 * i), 0.5 * std::cos(0.21 * i));
    return x;
}

// A 5-point stencil on a g x g grid with the couplings to the unknowns
// below, left, right and above.
template <typename T>
Csr<T> fivePoint(int g, T below, T left, T centre, T right, T above) {
    std::vector<Entry<T>> e;
    for (int k = 0; k < g * g; ++k) {
        if (k >= g) e.push_back({k, k - g, below});
        if (k % g > 0) e.push_back({k, k - 1, left});
        e.push_back({k, k, centre});
        if (k % g + 1 < g) e.push_back({k, k + 1, right});
        if (k + g < g * g) e.push_back({k, k + g, above});
    }
    return Csr<T>(g * g, e);
}

// 2-D 5-point Poisson on a g x g grid, scaled by `scale` (negative: negative
// definite).
inline Csr<double> poisson2d(int g, double scale = 1.0) {
    return fivePoint(g, -scale, -scale, 4.0 * scale, -scale, -scale);
}

// A nonsymmetric, diagonally dominant matrix on a side x side grid whose
// values depend on the position (no permutation of the grid leaves it
// unchanged), listed in a scrambled order.
template <typename T>
std::vector<Entry<T>> scrambledGrid(int side) {
    std::vector<Entry<T>> e;
    for (int i = side - 1; i >= 0; --i) {
        for (int j = 0; j < side; ++j) {
            const int r = i * side + j;
            if (j + 1 < side) e.push_back({r, r + 1, scalar<T>(-1.0 - 0.01 * r, 0.1)});
            if (i > 0) e.push_back({r, r - side, scalar<T>(-1.0 + 0.02 * j, -0.2)});
            e.push_back({r, r, scalar<T>(6.0 + 0.1 * r, 0.5)});
            if (i + 1 < side) e.push_back({r, r + side, scalar<T>(-0.5, 0.3)});
            if (j > 0) e.push_back({r, r - 1, scalar<T>(-1.5, 0.0)});
        }
    }
    return e;
}

// A nonsymmetric n x n matrix with a stored, dominant diagonal and about
// `perRow` random off-diagonal entries per row, rows sorted. Hermitian
// (symmetric for real types) and positive definite when `hermitian`.
template <typename T>
Csr<T> randomMatrix(int n, int perRow, unsigned seed, int base = 0, bool hermitian = false) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<std::vector<bool>> used(n, std::vector<bool>(n, false));
    std::vector<Entry<T>> entries;
    std::vector<double> rowSum(n, 0.0);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < perRow; ++k) {
            const int c = column(generator);
            if (c == i || used[i][c] || (hermitian && used[c][i])) continue;
            used[i][c] = true;
            const T v = randomScalar<T>(generator);
            entries.push_back({i, c, v});
            rowSum[i] += kyra::abs(v);
            if (!hermitian) continue;
            used[c][i] = true;
            entries.push_back({c, i, kyra::conj(v)});
            rowSum[c] += kyra::abs(v);
        }
    }
    for (int i = 0; i < n; ++i) {
        const T shift = hermitian ? T(0) : randomScalar<T>(generator);
        entries.push_back({i, i, shift + scalar<T>(rowSum[i] + 0.5 + (i % 3))});
    }
    return Csr<T>(n, sortedByRowAndColumn(entries), base);
}

#endif
