#ifndef KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H
#define KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H

// Shared pieces of the preconditioner tests: random sparse matrices of the
// four scalar types, the solve systems of the public-interface tests, and a
// fixture that solves through the public interface and checks the true
// residual itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "common/DenseReference.h"
#include "common/PublicSolve.h"
#include "common/SmallSystems.h"
#include "common/TestMatrices.h"
#include "core/Context.h"
#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"

namespace pctest {

using Iterative::HostCsrMatrix;
using Iterative::Matrix;

// A nonsymmetric sparse n x n matrix with a stored, dominant diagonal and
// about `perRow` random off-diagonal entries per row, rows sorted.
template <typename T>
Csr<T> randomDominant(int n, int perRow, unsigned seed, int base = 0) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<std::vector<bool>> used(n, std::vector<bool>(n, false));
    std::vector<Entry<T>> entries;
    for (int i = 0; i < n; ++i) {
        used[i][i] = true;
        entries.push_back({i, i, randomScalar<T>(generator) + scalar<T>(2.0 + perRow)});
        for (int k = 0; k < perRow; ++k) {
            const int c = column(generator);
            if (used[i][c]) continue;
            used[i][c] = true;
            entries.push_back({i, c, randomScalar<T>(generator)});
        }
    }
    return Csr<T>(n, sortedByRowAndColumn(entries), base);
}

// A Hermitian (symmetric for real types) positive definite sparse matrix:
// random off-diagonal pairs a_ij = conj(a_ji) and a diagonal that dominates
// each row, rows sorted.
template <typename T>
Csr<T> randomHermitianDefinite(int n, int pairsPerRow, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<std::vector<bool>> used(n, std::vector<bool>(n, false));
    std::vector<Entry<T>> entries;
    std::vector<double> rowSum(n, 0.0);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < pairsPerRow; ++k) {
            const int c = column(generator);
            if (c == i || used[i][c]) continue;
            used[i][c] = used[c][i] = true;
            const T v = randomScalar<T>(generator);
            entries.push_back({i, c, v});
            entries.push_back({c, i, kyra::conj(v)});
            rowSum[i] += kyra::abs(v);
            rowSum[c] += kyra::abs(v);
        }
    }
    for (int i = 0; i < n; ++i) entries.push_back({i, i, scalar<T>(rowSum[i] + 0.5 + (i % 3))});
    return Csr<T>(n, sortedByRowAndColumn(entries));
}

// Symmetric positive definite tridiagonal matrix (2 + i % 3, -1 off the diagonal).
template <typename T>
Csr<T> tridiagonal(int n, int base = 0) {
    std::vector<Entry<T>> entries;
    for (int i = 0; i < n; ++i) {
        if (i > 0) entries.push_back({i, i - 1, scalar<T>(-1.0)});
        entries.push_back({i, i, scalar<T>(2.0 + i % 3)});
        if (i < n - 1) entries.push_back({i, i + 1, scalar<T>(-1.0)});
    }
    return Csr<T>(n, entries, base);
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

// ---------------------------------------------------------------------------
// Solves through the public interface, in double precision.

// 5-point Poisson on a g x g grid whose rows are scaled by d_i d_j with d
// ranging over two orders of magnitude: symmetric positive definite, and
// badly scaled, so that diagonal scaling matters.
inline CsrSystem scaledPoisson(int g) {
    CsrSystem s;
    auto d = [g](int k) { return 1.0 + 99.0 * ((k * 37) % (g * g)) / (g * g); };
    for (int k = 0; k < g * g; ++k) {
        const int j = k % g;
        if (k >= g) s.add(k - g, -d(k) * d(k - g));
        if (j > 0) s.add(k - 1, -d(k) * d(k - 1));
        s.add(k, 4.0 * d(k) * d(k));
        if (j < g - 1) s.add(k + 1, -d(k) * d(k + 1));
        if (k + g < g * g) s.add(k + g, -d(k) * d(k + g));
        s.endRow();
    }
    return s;
}

// Upwind convection-diffusion on a g x g grid (Peclet number `wind` per
// cell): nonsymmetric, rows sorted, diagonal stored.
inline CsrSystem convectionDiffusion(int g, double wind) {
    CsrSystem s;
    for (int k = 0; k < g * g; ++k) {
        const int j = k % g;
        if (k >= g) s.add(k - g, -1.0 - wind);
        if (j > 0) s.add(k - 1, -1.0 - 0.5 * wind);
        s.add(k, 4.0 + 1.5 * wind);
        if (j < g - 1) s.add(k + 1, -1.0);
        if (k + g < g * g) s.add(k + g, -1.0);
        s.endRow();
    }
    return s;
}

using Setter = std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)>;

// The setter of a preconditioner or solver with the given options.
template <typename Options>
Setter with(kyraSparseStatus (*set)(kyraSparseHandle, kyraSparsePlan, const Options*), Options options) {
    return [set, options](kyraSparseHandle h, kyraSparsePlan p) { return set(h, p, &options); };
}
template <typename Options>
Setter withDefaults(kyraSparseStatus (*set)(kyraSparseHandle, kyraSparsePlan, const Options*)) {
    return [set](kyraSparseHandle h, kyraSparsePlan p) { return set(h, p, nullptr); };
}

// Matrix-free data: y = 2 x.
inline void doubling(char, const double* x, double* y, void* user) {
    const int n = *static_cast<const int*>(user);
    for (int i = 0; i < n; ++i) y[i] = 2.0 * x[i];
}

// One plan holding a system, x and b, with a tolerance of 1e-8.
class PlanFixture : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        config.relativeTolerance = 1e-8;
        config.maxIterations = 5000;
    }

    // Sets the system with b = A * ones and a zero start; the plan keeps
    // borrowing s, x and b.
    void setSystem(const CsrSystem& s) {
        system = &s;
        b = s.multiply(std::vector<double>(s.n, 1.0));
        x.assign(s.n, 0.0);
        ASSERT_EQ(setData(s, x, b), kyraSparseNoError);
    }

    // Runs the solve from zero and checks the true residual independently.
    kyraSparseResult solve() {
        std::fill(x.begin(), x.end(), 0.0);
        EXPECT_EQ(execute(), kyraSparseNoError) << lastStatus();
        EXPECT_LE(trueRelativeResidual(*system, x, b), 10 * config.relativeTolerance);
        return result;
    }

    const CsrSystem* system = nullptr;
    std::vector<double> x;
    std::vector<double> b;
};

}  // namespace pctest

#endif
