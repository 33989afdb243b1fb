#ifndef KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H
#define KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H

// Random sparse matrices of the four scalar types for the preconditioner
// tests, and the run of a kernel with a given thread count.

#include <gtest/gtest.h>
#include <omp.h>

#include <functional>
#include <random>
#include <vector>

#include "common/TestMatrices.h"
#include "matrix/HostCsrMatrix.h"
#include "preconditioner/host/factories.h"

namespace pctest {

using Iterative::HostCsrMatrix;

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

template <typename T>
const HostCsrMatrix<T>& hostCsr(const std::shared_ptr<Iterative::Matrix<T>>& M) {
    return dynamic_cast<const HostCsrMatrix<T>&>(*M);
}

// L (unit diagonal, strictly lower entries) times U (the rest) of ILU0
// factors held in one matrix.
template <typename T>
Dense<T> productOfFactors(const Dense<T>& f) {
    Dense<T> L = Dense<T>::identity(f.n()), U(f.n());
    for (int i = 0; i < f.n(); ++i)
        for (int j = 0; j < f.n(); ++j) (j < i ? L(i, j) : U(i, j)) = f(i, j);
    return L * U;
}

// The failure text of run with a team of `threads`.
inline std::string failureWithThreads(int threads, const std::function<void()>& run) {
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    const std::string text = failureOf(run);
    omp_set_num_threads(saved);
    return text;
}

}  // namespace pctest

#endif
