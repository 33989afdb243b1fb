#include <gtest/gtest.h>

#include <omp.h>

#include <set>

#include "PreconditionerTestSupport.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/power_pattern.h"
#include "preconditioner/host/spai.h"

namespace {

using namespace pctest;

template <typename T>
std::shared_ptr<Matrix<T>> ainvOf(const Csr<T>& a, int pattern, double dropTolerance = 0.0) {
    return pc::host::makeAinv(a.matrix(), kyraSparseAinvOptions{pattern, dropTolerance});
}

// Columns reachable from each row by exactly p edges, by repeated boolean
// products; `upper` keeps columns >= row only.
std::vector<std::set<int>> reachable(const Csr<double>& a, int p, bool upper) {
    std::vector<std::set<int>> current(a.n());
    for (int i = 0; i < a.n(); ++i) current[i].insert(i);
    for (int step = 0; step < p; ++step) {
        std::vector<std::set<int>> next(a.n());
        for (int i = 0; i < a.n(); ++i)
            for (int k : current[i])
                for (int q = a.begin(k); q < a.end(k); ++q) next[i].insert(a.colInd()[q]);
        current = next;
    }
    if (upper)
        for (int i = 0; i < a.n(); ++i) current[i].erase(current[i].begin(), current[i].lower_bound(i));
    return current;
}

// The rows of a pattern, which must be sorted and free of duplicates.
std::vector<std::set<int>> rowsOf(const pc::host::CsrPattern& pattern) {
    std::vector<std::set<int>> rows(pattern.rows());
    for (int i = 0; i < pattern.rows(); ++i) {
        const auto first = pattern.colInd->begin() + (*pattern.rowPtr)[i];
        const auto last = pattern.colInd->begin() + (*pattern.rowPtr)[i + 1];
        EXPECT_TRUE(std::is_sorted(first, last));
        rows[i].insert(first, last);
        EXPECT_EQ(static_cast<long>(rows[i].size()), last - first) << "duplicate column in row " << i;
    }
    return rows;
}

TEST(PowerPattern, MatchesPathsOfExactlyPEdges) {
    // No diagonal stored in some rows, so "exactly p" differs from "at most p".
    std::vector<Entry<double>> entries;
    for (const Entry<double>& e : randomDominant<double>(40, 2, 3).entries())
        if (e.row != e.col || e.row % 3 == 0) entries.push_back(e);
    const Csr<double> b(40, entries);
    for (int p = 1; p <= 4; ++p) {
        for (bool upper : {false, true}) {
            const auto pattern =
                upper
                    ? pc::host::GetUpperPowerPattern(p, b.n(), b.nnz(), b.rowPtr().data(), b.colInd().data())
                    : pc::host::GetPowerPattern(p, b.n(), b.nnz(), b.rowPtr().data(), b.colInd().data());
            EXPECT_EQ(rowsOf(pattern), reachable(b, p, upper)) << "p " << p << " upper " << upper;
        }
    }
}

TEST(PowerPattern, OptionTableAndInvalidPower) {
    const int powers[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {7, 1}, {-1, 1}};
    for (const auto& p : powers) EXPECT_EQ(pc::host::patternPower(p[0]), p[1]) << p[0];
    const Csr<double> a = tridiagonal<double>(3);
    EXPECT_EQ(
        failureOf([&] { pc::host::GetPowerPattern(0, 3, a.nnz(), a.rowPtr().data(), a.colInd().data()); }),
        "2: power must be greater than 1");
}

template <typename T>
class AinvTyped : public ::testing::Test {};
TYPED_TEST_SUITE(AinvTyped, ScalarTypes);

// M lies on the power pattern, and each column m_j solves min |A m_j - e_j|
// over its pattern J: the residual is orthogonal to the columns A(:, J)
// (normal equations).
TYPED_TEST(AinvTyped, ColumnsAreLeastSquaresOptimal) {
    using T = TypeParam;
    const Csr<T> a = randomDominant<T>(25, 3, 41);
    const Dense<T> A = a.dense();
    for (int option : {0, 1}) {
        const auto M = ainvOf(a, option);
        const auto& csr = dynamic_cast<const HostCsrMatrix<T>&>(*M);
        const auto pattern = pc::host::GetPowerPattern(pc::host::patternPower(option), a.n(), a.nnz(),
                                                       a.rowPtr().data(), a.colInd().data());
        ASSERT_EQ(csr.nnz(), pattern.nnz());
        EXPECT_EQ(std::vector<int>(csr.colInd(), csr.colInd() + csr.nnz()), *pattern.colInd);
        const Dense<T> residual = A * toDense(*M) - Dense<T>::identity(a.n());
        for (int i = 0; i < a.n(); ++i) {
            for (int p = csr.rowPtr()[i]; p < csr.rowPtr()[i + 1]; ++p) {
                const int j = csr.colInd()[p];  // unknown (i, j) of column j
                Wide<T> normal(0);
                for (int r = 0; r < a.n(); ++r) normal += kyra::conj(A(r, i)) * residual(r, j);
                EXPECT_LE(kyra::abs(normal), 20 * tolerance<T>() * A.maxAbs())
                    << "option " << option << " unknown (" << i << ", " << j << ")";
            }
        }
    }
}

// The kernel keeps entries of modulus >= the tolerance and the whole
// diagonal, zero included; the factory drops only small off-diagonal
// entries of its result.
TEST(DropTolerance, KeepsLargeEntriesAndTheWholeDiagonal) {
    const Csr<double> a(3, {{0, 0, 0.1}, {0, 1, 0.5}, {0, 2, -0.29}, {1, 1, 2.0}, {2, 0, -0.3}, {2, 2, 0.0}});
    const auto kept =
        pc::host::drop_tolerance<double>(0.3, 3, 3, 0, a.val().data(), a.rowPtr().data(), a.colInd().data());
    EXPECT_EQ(*kept.rowPtr, (std::vector<int>{0, 2, 3, 5}));
    EXPECT_EQ(*kept.colInd, (std::vector<int>{0, 1, 1, 0, 2}));
    EXPECT_EQ(*kept.val, (std::vector<double>{0.1, 0.5, 2.0, -0.3, 0.0}));

    using C = kyra::Complex<double>;
    const Csr<C> b = randomDominant<C>(30, 4, 47);
    const auto full = ainvOf(b, 1), dropped = ainvOf(b, 1, 0.01);
    const Dense<C> f = toDense(*full), d = toDense(*dropped);
    EXPECT_LT(dynamic_cast<const HostCsrMatrix<C>&>(*dropped).nnz(),
              dynamic_cast<const HostCsrMatrix<C>&>(*full).nnz());
    for (int i = 0; i < b.n(); ++i)
        for (int j = 0; j < b.n(); ++j)
            EXPECT_EQ(kyra::abs(d(i, j)), i == j || kyra::abs(f(i, j)) >= 0.01 ? kyra::abs(f(i, j)) : 0.0)
                << i << ", " << j;
}

// spai on a hand-made pattern (zero-based CSR of M).
std::vector<double> spaiOn(const Csr<double>& a, const std::vector<int>& mRowPtr,
                           const std::vector<int>& mColInd) {
    std::vector<double> mVal(mColInd.size(), -7.0);
    pc::host::spai<double>(a.n(), a.n(), a.nnz(), a.base(), a.val().data(), a.rowPtr().data(),
                           a.colInd().data(), mVal.data(), mRowPtr.data(), mColInd.data());
    return mVal;
}

TEST(SpaiKernel, ColumnWithoutItsOwnRowIsZero) {
    // Column 0 of M may only use unknown (1, 0); column 1 of A touches row 1
    // only, so e_0 restricted to the candidate rows is zero.
    const Csr<double> a(2, {{0, 0, 1.0}, {1, 0, 1.0}, {1, 1, 2.0}});
    EXPECT_EQ(spaiOn(a, {0, 0, 2}, {0, 1}), (std::vector<double>{0.0, 0.5}));
}

// Failures reach the caller with their texts from any thread's share of the
// columns: in the last case the last two columns are rank deficient.
TEST(SpaiKernel, FailuresAndTheirTexts) {
    const Csr<double> wide(2, {{0, 0, 1.0}, {0, 1, 1.0}});
    const Csr<double> rankDeficient(2, {{0, 0, 1.0}, {0, 1, 0.0}, {1, 0, 1.0}, {1, 1, 0.0}});
    const Csr<double> oneBased = tridiagonal<double>(4, 1);
    const Csr<double> lastColumns(
        4, {{0, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}, {2, 3, 0.0}, {3, 2, 1.0}, {3, 3, 0.0}});
    const struct {
        std::function<void()> run;
        const char* text;
    } cases[] = {
        {[&] {
             spaiOn(wide, {0, 1, 2}, {0, 0});
         },
         "2: malformed a matrix"},
        {[&] {
             spaiOn(rankDeficient, {0, 2, 4}, {0, 1, 0, 1});
         },
         "2: gels failure"},
        {[&] { ainvOf(oneBased, 0); }, "6: spai preconditioning"},
        {[&] {
             spaiOn(oneBased, {0, 1, 2, 3, 4}, {0, 1, 2, 3});
         },
         "6: spai preconditioning"},
        {[&] { ainvOf(lastColumns, 0); }, "2: gels failure"},
    };
    const int saved = omp_get_max_threads();
    omp_set_num_threads(2);
    for (const auto& c : cases) EXPECT_EQ(failureOf(c.run), c.text);
    omp_set_num_threads(saved);
}

// The columns are split over the thread team; the result must not depend
// on the split.
TEST(SpaiKernel, ResultDoesNotDependOnTheThreadCount) {
    const Csr<kyra::Complex<double>> a = randomDominant<kyra::Complex<double>>(37, 4, 67);
    const int saved = omp_get_max_threads();
    omp_set_num_threads(1);
    const Dense<kyra::Complex<double>> one = toDense(*ainvOf(a, 1));
    omp_set_num_threads(2);
    const Dense<kyra::Complex<double>> two = toDense(*ainvOf(a, 1));
    omp_set_num_threads(saved);
    EXPECT_TRUE(one == two);
}

}  // namespace
