// The host factories of each kind against the property that defines their
// result, their rules for zero pivots and dropped entries, and the texts of
// their failures; the power patterns they use.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "PreconditionerTestSupport.h"
#include "core/Context.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/host/power_pattern.h"

namespace {

using namespace pctest;
using namespace pc::host;

std::vector<Entry<double>> tridiagonal(int n) {
    std::vector<Entry<double>> e;
    for (int i = 0; i < n; ++i) {
        if (i > 0) e.push_back({i, i - 1, -1.0});
        e.push_back({i, i, 2.0 + i % 3});
        if (i + 1 < n) e.push_back({i, i + 1, -1.0});
    }
    return e;
}

template <typename T>
class Factories : public ::testing::Test {};
TYPED_TEST_SUITE(Factories, ScalarTypes);

// A missing or zero diagonal gives an identity row (NaN is not zero), of
// duplicates the last nonzero counts; a singular block becomes the identity
// block; the padding of a partial last block stays inside the matrix.
TEST(Factories, IdentityForZeroPivotsAndPaddingInsideTheMatrix) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Entry<double>> diagonals = {{0, 0, 4.0}, {1, 1, 0.0}, {1, 0, 3.0},
                                                  {2, 2, nan}, {3, 2, 7.0}, {4, 4, -0.5},
                                                  {5, 5, 2.0}, {5, 5, 8.0}, {5, 5, 0.0}};
    const Csr<double> a(6, diagonals);
    const Dense<double> d = toDense(*makeJacobi(a.matrix(), {}));
    EXPECT_EQ(std::vector<double>({d(0, 0), d(1, 1), d(3, 3), d(4, 4), d(5, 5)}),
              std::vector<double>({0.25, 1.0, 1.0, -2.0, 0.125}));
    EXPECT_TRUE(std::isnan(d(2, 2)));

    const std::vector<Entry<double>> blocks = {{0, 0, 0.0}, {0, 1, 1.0}, {1, 0, 1.0},
                                               {1, 1, 0.0}, {2, 2, 2.0}, {2, 3, 1.0},
                                               {3, 2, 1.0}, {3, 3, 2.0}, {4, 4, 4.0}};
    const Csr<double> singular(5, blocks);
    const auto M = makeBlockJacobi(singular.matrix(), {2});
    const Dense<double> m = toDense(*M);
    EXPECT_EQ(std::vector<double>({m(0, 0), m(0, 1), m(1, 0), m(1, 1), m(4, 4)}),
              std::vector<double>({1, 0, 0, 1, 0.25}));
    EXPECT_NEAR(m(2, 3), -1.0 / 3.0, 1e-15);
    const auto& csr = hostCsr(M);
    EXPECT_TRUE(std::all_of(csr.colInd(), csr.colInd() + csr.nnz(), [](int c) { return c < 5; }));
}

// L U equals A on A's pattern (L unit lower, U upper, both read from the
// factor), and the factor keeps A's pattern and base.
TYPED_TEST(Factories, Ilu0FactorsReproduceAOnItsPattern) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const Csr<T> a = randomMatrix<T>(30, 5, 29, base);
        const auto factors = makeIlu0(a.matrix(), {});
        const auto& lu = hostCsr(factors);
        EXPECT_EQ(lu.index().toInt(), base);
        EXPECT_EQ(std::vector<int>(lu.colInd(), lu.colInd() + a.nnz()), a.colInd());
        const Dense<T> product = productOfFactors(toDense(lu)), A = a.dense();
        for (const Entry<T>& e : a.entries())
            EXPECT_LE(kyra::abs(product(e.row, e.col) - A(e.row, e.col)), tolerance<T>() * A.maxAbs());
    }
}

// The diagonal search over all rows comes first; unsorted rows (a duplicate
// column counts) are refused; a zero pivot fails only when used, also one
// that elimination creates. A's values stay as they were. The last case
// has many thousand rows, factored while they are copied, with an unsorted
// row late in the matrix.
TEST(Factories, Ilu0FailuresInTheirOrder) {
    const std::string missing = "2: input matrix is missing a diagonal element",
                      unsorted = "2: input matrix must be sorted",
                      zeroPivot = "2: input matrix has an explicit zero on the diagonal";
    std::vector<Entry<double>> large = tridiagonal(20000);
    std::swap(large[large.size() - 20].col, large[large.size() - 19].col);
    const struct {
        Csr<double> a;
        std::string text;
    } cases[] = {
        {Csr<double>(4, {{0, 0, 0.0}, {1, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}, {2, 1, 1.0}, {3, 2, 1.0}}),
         missing},
        {Csr<double>(3, {{0, 0, 1.0}, {0, 2, 1.0}, {0, 1, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}}), unsorted},
        {Csr<double>(2, {{0, 0, 1.0}, {1, 1, 1.0}, {1, 1, 1.0}}), unsorted},
        {Csr<double>(2, {{0, 0, 0.0}, {0, 1, 1.0}, {1, 0, 1.0}, {1, 1, 1.0}}), zeroPivot},
        {Csr<double>(2, {{0, 0, 0.0}, {0, 1, 1.0}, {1, 1, 1.0}}), "no exception"},
        {Csr<double>(3, {{0, 0, 1.0}, {0, 1, 1.0}, {1, 0, 1.0}, {1, 1, 1.0}, {2, 1, 1.0}, {2, 2, 1.0}}),
         zeroPivot},
        {Csr<double>(20000, large), unsorted},
    };
    for (const auto& c : cases) {
        const std::vector<double> before = c.a.val();
        EXPECT_EQ(failureWithThreads(2, [&] { makeIlu0(c.a.matrix(), {}); }), c.text);
        EXPECT_EQ(c.a.val(), before);
    }
}

// On a tridiagonal matrix ILU0 is the exact LU, also when many thousand rows
// are factored while a second thread copies them.
TEST(Factories, Ilu0OfManyRowsIsExactOnATridiagonalMatrix) {
    const Csr<double> a(20000, tridiagonal(20000));
    const std::vector<double> ones(a.n(), 1.0), b = rightHandSide(a, ones);
    for (int threads : {1, 2}) {
        std::vector<double> x(a.n());
        failureWithThreads(threads, [&] {
            Iterative::Context context;
            Iterative::HostPlatform platform(context, nullptr);
            Iterative::Ilu0 ilu(nullptr);
            ilu.generate<double>(context, platform, a.matrix());
            const Iterative::HostVectorRef<double> in(a.n(), b.data());
            Iterative::HostVectorRef<double> out(a.n(), x.data());
            ilu.apply<double>(Iterative::TransOp::NoTrans, in, out);
        });
        for (int i = 0; i < a.n(); i += 997)
            EXPECT_NEAR(x[i], 1.0, 1e-12) << threads << " threads, row " << i;
    }
}

// AINV: M lies on the power pattern and each column m_j solves
// min |A m_j - e_j| over it, so the residual is orthogonal to the columns
// A(:, J). FSAI: Z is upper triangular on the upper power pattern, Z A Z^H
// has a unit diagonal and Z A vanishes on Z's off-diagonal pattern.
TYPED_TEST(Factories, ApproximateInversesMeetTheirDefiningConditions) {
    using T = TypeParam;
    const Csr<T> a = randomMatrix<T>(25, 3, 41), h = randomMatrix<T>(25, 2, 53, 0, true);
    const Dense<T> A = a.dense(), H = h.dense();
    for (int option : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << "pattern option " << option);
        const auto ainv = makeAinv(a.matrix(), {option, 0.0});
        const auto& m = hostCsr(ainv);
        const auto pattern =
            GetPowerPattern(patternPower(option), a.n(), a.nnz(), a.rowPtr().data(), a.colInd().data());
        EXPECT_EQ(std::vector<int>(m.colInd(), m.colInd() + m.nnz()), *pattern.colInd);
        const Dense<T> residual = A * toDense(m) - Dense<T>::identity(a.n());
        for (int i = 0; i < a.n(); ++i) {
            for (int p = m.rowPtr()[i]; p < m.rowPtr()[i + 1]; ++p) {
                Wide<T> normal(0);
                for (int r = 0; r < a.n(); ++r) normal += kyra::conj(A(r, i)) * residual(r, m.colInd()[p]);
                EXPECT_LE(kyra::abs(normal), 20 * tolerance<T>() * A.maxAbs());
            }
        }

        const auto fsai = makeFactorizedAinv(h.matrix(), {option + 1, 0.0});
        const auto& z = hostCsr(fsai);
        const auto upper = GetUpperPowerPattern(patternPower(option + 1), h.n(), h.nnz(), h.rowPtr().data(),
                                                h.colInd().data());
        EXPECT_EQ(std::vector<int>(z.colInd(), z.colInd() + z.nnz()), *upper.colInd);
        const Dense<T> Z = toDense(z), ZH = Z * H, ZHZ = ZH * Z.transposed();
        for (int i = 0; i < h.n(); ++i) {
            EXPECT_LE(kyra::abs(ZHZ(i, i) - Wide<T>(1)), tolerance<T>());
            for (int p = z.rowPtr()[i] + 1; p < z.rowPtr()[i + 1]; ++p)
                EXPECT_LE(kyra::abs(ZH(i, z.colInd()[p])), tolerance<T>() * H.maxAbs());
        }
    }
}

// Only small off-diagonal entries are dropped from either result.
TEST(Factories, DropToleranceKeepsLargeEntriesAndTheDiagonal) {
    using C = kyra::Complex<double>;
    const Csr<C> a = randomMatrix<C>(30, 4, 47), h = randomMatrix<C>(30, 3, 61, 0, true);
    const Dense<C> pairs[][2] = {
        {toDense(*makeAinv(a.matrix(), {1, 0.0})), toDense(*makeAinv(a.matrix(), {1, 0.05}))},
        {toDense(*makeFactorizedAinv(h.matrix(), {1, 0.0})),
         toDense(*makeFactorizedAinv(h.matrix(), {1, 0.05}))}};
    for (const auto& [full, dropped] : pairs) {
        EXPECT_FALSE(full == dropped);
        for (int i = 0; i < a.n(); ++i)
            for (int j = 0; j < a.n(); ++j)
                EXPECT_EQ(dropped(i, j), i == j || kyra::abs(full(i, j)) >= 0.05 ? full(i, j) : C(0))
                    << i << ", " << j;
    }
}

// Failures reach the caller with their texts from any thread's share of the
// columns or rows (the last case of each fails in its last rows), and the
// results do not depend on the thread count.
TEST(Factories, ApproximateInverseFailuresAndThreads) {
    const std::string notDefinite = "2: the input matrix is not positive definite";
    std::vector<Entry<double>> lastRows;
    for (int i = 0; i < 5; ++i) lastRows.push_back({i, i, 2.0});
    lastRows.insert(lastRows.end(), {{5, 5, -2.0}, {5, 6, 0.5}, {6, 5, 0.5}, {6, 6, 2.0}});
    const struct {
        Csr<double> a;
        bool factorized;
        std::string text;
    } cases[] = {
        {Csr<double>(2, {{0, 0, 1.0}, {0, 1, 0.0}, {1, 0, 1.0}, {1, 1, 0.0}}), false, "2: gels failure"},
        {randomMatrix<double>(4, 2, 3, 1), false, "6: spai preconditioning"},
        {Csr<double>(4, {{0, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}, {2, 3, 0.0}, {3, 2, 1.0}, {3, 3, 0.0}}),
         false, "2: gels failure"},
        {Csr<double>(2, {{0, 0, -1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}), true, notDefinite},
        {Csr<double>(3, {{0, 0, 2.0}, {1, 0, 1.0}, {1, 2, 1.0}, {2, 2, 2.0}}), true,
         "2: input matrix is missing diagonal"},
        {randomMatrix<double>(4, 2, 3, 1, true), true, "6: factorized spai preconditioning"},
        {Csr<double>(7, lastRows), true, notDefinite},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(
            failureWithThreads(
                2, [&] { c.factorized ? makeFactorizedAinv(c.a.matrix(), {}) : makeAinv(c.a.matrix(), {}); }),
            c.text);
    }

    const Csr<kyra::Complex<double>> h = randomMatrix<kyra::Complex<double>>(41, 3, 71, 0, true);
    std::vector<Dense<kyra::Complex<double>>> results;
    for (int threads : {1, 2}) {
        failureWithThreads(threads, [&] {
            results.push_back(toDense(*makeAinv(h.matrix(), {1, 0.0})));
            results.push_back(toDense(*makeFactorizedAinv(h.matrix(), {2, 0.0})));
        });
    }
    EXPECT_TRUE(results[0] == results[2]);
    EXPECT_TRUE(results[1] == results[3]);
}

// ---------------------------------------------------------------------------
// The patterns of A^p against boolean dense matrix powers, on patterns with
// duplicate entries (the conversions keep them). Many duplicates cost their
// count only: walking every path would take 400^4 steps per row.

using Rows = std::vector<std::vector<int>>;

// The sorted columns of each row of the boolean power A^p (of its upper
// triangle only when asked): those reached from the row in p steps.
Rows densePower(const Rows& a, int p, bool upper) {
    Rows rows;
    for (int r = 0; r < static_cast<int>(a.size()); ++r) {
        std::set<int> reach{r};
        for (int step = 0; step < p; ++step) {
            std::set<int> next;
            for (int k : reach) next.insert(a[k].begin(), a[k].end());
            reach.swap(next);
        }
        rows.emplace_back(reach.lower_bound(upper ? r : 0), reach.end());
    }
    return rows;
}

// Rows as zero-based CSR arrays: row pointers and column indices.
std::pair<std::vector<int>, std::vector<int>> csrOf(const Rows& rows) {
    std::vector<int> rowPtr{0}, colInd;
    for (const auto& row : rows) {
        colInd.insert(colInd.end(), row.begin(), row.end());
        rowPtr.push_back(static_cast<int>(colInd.size()));
    }
    return {rowPtr, colInd};
}

TEST(PowerPatternTest, PatternsWithDuplicatesMatchDensePowers) {
    std::mt19937 rng(17);
    Rows random(15), duplicates(2);
    for (auto& row : random)
        for (int k = rng() % 6; k > 0; --k) row.insert(row.end(), 2, static_cast<int>(rng() % 15));
    for (auto& row : duplicates)
        for (int k = 0; k < 400; ++k) row.push_back(k % 2);
    for (const Rows& a : {random, duplicates}) {
        const auto [rowPtr, colInd] = csrOf(a);
        const int n = static_cast<int>(a.size()), nnz = rowPtr.back();
        for (int p = 1; p <= 4; ++p) {
            SCOPED_TRACE(::testing::Message() << "n " << n << " p " << p);
            const CsrPattern full = GetPowerPattern(p, n, nnz, rowPtr.data(), colInd.data()),
                             upper = GetUpperPowerPattern(p, n, nnz, rowPtr.data(), colInd.data());
            EXPECT_EQ(std::make_pair(*full.rowPtr, *full.colInd), csrOf(densePower(a, p, false)));
            EXPECT_EQ(std::make_pair(*upper.rowPtr, *upper.colInd), csrOf(densePower(a, p, true)));
        }
    }
}

}  // namespace
