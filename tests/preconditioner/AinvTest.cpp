#include <gtest/gtest.h>

#include <omp.h>

#include <set>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "preconditioner/Ainv.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/power_pattern.h"
#include "preconditioner/host/spai.h"

namespace {

using namespace pctest;
using Iterative::HostVectorAlloc;
using Iterative::TransOp;

template <typename T>
std::shared_ptr<Matrix<T>> ainvOf(const Csr<T>& a, int pattern, double dropTolerance = 0.0) {
    return pc::host::makeAinv(a.matrix(), kyraSparseAinvOptions{pattern, dropTolerance});
}

// Columns reachable from each row by exactly p edges, by repeated dense
// boolean products; `upper` keeps columns >= row only.
std::vector<std::set<int>> reachable(const Csr<double>& a, int p, bool upper) {
    const int n = a.n();
    std::vector<std::set<int>> current(n);
    for (int i = 0; i < n; ++i) current[i].insert(i);
    for (int step = 0; step < p; ++step) {
        std::vector<std::set<int>> next(n);
        for (int i = 0; i < n; ++i) {
            for (int k : current[i]) {
                for (int q = a.begin(k); q < a.end(k); ++q) next[i].insert(a.colInd()[q]);
            }
        }
        current = next;
    }
    if (upper) {
        for (int i = 0; i < n; ++i) current[i].erase(current[i].begin(), current[i].lower_bound(i));
    }
    return current;
}

std::vector<std::set<int>> rowsOf(const pc::host::CsrPattern& pattern) {
    std::vector<std::set<int>> rows(pattern.rows());
    for (int i = 0; i < pattern.rows(); ++i) {
        const int first = (*pattern.rowPtr)[i];
        const int last = (*pattern.rowPtr)[i + 1];
        EXPECT_TRUE(std::is_sorted(pattern.colInd->begin() + first, pattern.colInd->begin() + last));
        rows[i].insert(pattern.colInd->begin() + first, pattern.colInd->begin() + last);
        EXPECT_EQ(static_cast<int>(rows[i].size()), last - first) << "duplicate column in row " << i;
    }
    return rows;
}

TEST(PowerPattern, MatchesPathsOfExactlyPEdges) {
    // No diagonal stored in some rows, so "exactly p" differs from "at most p".
    const Csr<double> a = randomDominant<double>(40, 2, 3);
    std::vector<Entry<double>> entries;
    for (const Entry<double>& e : a.entries()) {
        if (e.row != e.col || e.row % 3 == 0) entries.push_back(e);
    }
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

TEST(PowerPattern, SquareOfTridiagonalIsPentadiagonal) {
    const Csr<double> a = tridiagonal<double>(6);
    const auto pattern = pc::host::GetPowerPattern(pc::host::patternPower(1), 6, a.nnz(), a.rowPtr().data(),
                                                   a.colInd().data());
    EXPECT_EQ(*pattern.rowPtr, (std::vector<int>{0, 3, 7, 12, 17, 21, 24}));
    EXPECT_EQ(std::vector<int>(pattern.colInd->begin() + 7, pattern.colInd->begin() + 12),
              (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(PowerPattern, OptionTableAndInvalidPower) {
    EXPECT_EQ(pc::host::patternPower(0), 1);
    EXPECT_EQ(pc::host::patternPower(1), 2);
    EXPECT_EQ(pc::host::patternPower(2), 3);
    EXPECT_EQ(pc::host::patternPower(3), 4);
    EXPECT_EQ(pc::host::patternPower(7), 1);
    EXPECT_EQ(pc::host::patternPower(-1), 1);
    const Csr<double> a = tridiagonal<double>(3);
    try {
        pc::host::GetPowerPattern(0, 3, a.nnz(), a.rowPtr().data(), a.colInd().data());
        ADD_FAILURE() << "power 0 accepted";
    } catch (const Iterative::KyraSparseException& e) {
        EXPECT_EQ(e.code(), kyraSparsePreconditionerError);
        EXPECT_EQ(e.what(), "power must be greater than 1");
    }
}

template <typename T>
class AinvTyped : public ::testing::Test {};
TYPED_TEST_SUITE(AinvTyped, ScalarTypes);

// Each column m_j of M solves min |A m_j - e_j| over its pattern J: the
// residual is orthogonal to the columns A(:, J) (normal equations).
TYPED_TEST(AinvTyped, ColumnsAreLeastSquaresOptimal) {
    using T = TypeParam;
    const Csr<T> a = randomDominant<T>(25, 3, 41);
    const Dense<T> A = toDense(a);
    for (int option : {0, 1}) {
        const auto M = ainvOf(a, option);
        const Dense<T> m = toDense(*M);
        const auto& csr = dynamic_cast<const HostCsrMatrix<T>&>(*M);
        const auto pattern = pc::host::GetPowerPattern(pc::host::patternPower(option), a.n(), a.nnz(),
                                                       a.rowPtr().data(), a.colInd().data());
        ASSERT_EQ(csr.nnz(), pattern.nnz());
        EXPECT_EQ(std::vector<int>(csr.colInd(), csr.colInd() + csr.nnz()), *pattern.colInd);
        const Dense<T> residual = A * m - Dense<T>::identity(a.n());
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

TYPED_TEST(AinvTyped, DiagonalMatrixGivesItsExactInverse) {
    using T = TypeParam;
    const Csr<T> a(3, {{0, 0, scalar<T>(2.0, 1.0)}, {1, 1, scalar<T>(-4.0)}, {2, 2, scalar<T>(0.5, -0.5)}});
    const Dense<T> expected = inverse(toDense(a));
    EXPECT_LE(toDense(*ainvOf(a, 0)).maxDifference(expected), tolerance<T>() * expected.maxAbs());
}

// The class applies op(M).
TYPED_TEST(AinvTyped, ApplyMultipliesByOpOfM) {
    using T = TypeParam;
    const Csr<T> a = randomDominant<T>(10, 3, 43);
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    Iterative::Ainv ainv(nullptr);
    ainv.generate<T>(context, platform, a.matrix());
    const Dense<T> m = toDense(*ainvOf(a, 0));
    HostVectorAlloc<T> in(a.n());
    HostVectorAlloc<T> out(a.n());
    std::mt19937 generator(9);
    for (int i = 0; i < a.n(); ++i) in(i) = randomValue<T>(generator, 1.0);
    for (TransOp op : {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans}) {
        ainv.apply<T>(op, in, out);
        for (int i = 0; i < a.n(); ++i) {
            Wide<T> expected(0);
            for (int k = 0; k < a.n(); ++k) {
                const Wide<T> e = op == TransOp::NoTrans ? m(i, k) : m(k, i);
                expected += (op == TransOp::ConjTrans ? kyra::conj(e) : e) * widen(in(k));
            }
            EXPECT_LE(kyra::abs(widen(out(i)) - expected), tolerance<T>()) << "op " << op.value();
        }
    }
}

TEST(DropTolerance, KeepsLargeEntriesAndTheWholeDiagonal) {
    const Csr<double> a(3, {{0, 0, 0.1}, {0, 1, 0.5}, {0, 2, -0.29}, {1, 1, 2.0}, {2, 0, -0.3}, {2, 2, 0.0}});
    const auto kept =
        pc::host::drop_tolerance<double>(0.3, 3, 3, 0, a.val().data(), a.rowPtr().data(), a.colInd().data());
    EXPECT_EQ(*kept.rowPtr, (std::vector<int>{0, 2, 3, 5}));
    EXPECT_EQ(*kept.colInd, (std::vector<int>{0, 1, 1, 0, 2}));
    EXPECT_EQ(*kept.val, (std::vector<double>{0.1, 0.5, 2.0, -0.3, 0.0}));
}

TEST(DropTolerance, FactoryDropsSmallOffDiagonalEntries) {
    using C = kyra::Complex<double>;
    const Csr<C> a = randomDominant<C>(30, 4, 47);
    const auto full = ainvOf(a, 1);
    const auto dropped = ainvOf(a, 1, 0.01);
    const Dense<C> f = toDense(*full);
    const Dense<C> d = toDense(*dropped);
    const auto& csr = dynamic_cast<const HostCsrMatrix<C>&>(*dropped);
    EXPECT_LT(csr.nnz(), dynamic_cast<const HostCsrMatrix<C>&>(*full).nnz());
    for (int i = 0; i < a.n(); ++i) {
        for (int j = 0; j < a.n(); ++j) {
            const bool keep = i == j || kyra::abs(f(i, j)) >= 0.01;
            EXPECT_EQ(kyra::abs(d(i, j)), keep ? kyra::abs(f(i, j)) : 0.0) << i << ", " << j;
        }
    }
}

// spai on a hand-made pattern (zero-based CSR of M).
std::vector<double> spaiOn(const Csr<double>& a, const std::vector<int>& mRowPtr,
                           const std::vector<int>& mColInd) {
    std::vector<double> mVal(mColInd.size(), -7.0);
    pc::host::spai<double>(a.n(), a.n(), a.nnz(), a.base(), a.val().data(), a.rowPtr().data(),
                           a.colInd().data(), mVal.data(), mRowPtr.data(), mColInd.data());
    return mVal;
}

void expectSpaiFailure(const std::function<void()>& run, kyraSparseStatus status, const std::string& text) {
    try {
        run();
        ADD_FAILURE() << "no failure, expected " << text;
    } catch (const Iterative::KyraSparseException& e) {
        EXPECT_EQ(e.code(), status);
        EXPECT_EQ(e.what(), text);
    }
}

TEST(SpaiKernel, ColumnWithoutItsOwnRowIsZero) {
    // Column 0 of M may only use unknown (1, 0); column 1 of A touches row 1
    // only, so e_0 restricted to the candidate rows is zero.
    const Csr<double> a(2, {{0, 0, 1.0}, {1, 0, 1.0}, {1, 1, 2.0}});
    EXPECT_EQ(spaiOn(a, {0, 0, 2}, {0, 1}), (std::vector<double>{0.0, 0.5}));
}

TEST(SpaiKernel, MoreUnknownsThanRowsIsMalformed) {
    const Csr<double> a(2, {{0, 0, 1.0}, {0, 1, 1.0}});
    expectSpaiFailure(
        [&] {
            spaiOn(a, {0, 1, 2}, {0, 0});
        },
        kyraSparsePreconditionerError, "malformed a matrix");
}

TEST(SpaiKernel, RankDeficientColumnIsAGelsFailure) {
    const Csr<double> a(2, {{0, 0, 1.0}, {0, 1, 0.0}, {1, 0, 1.0}, {1, 1, 0.0}});
    expectSpaiFailure(
        [&] {
            spaiOn(a, {0, 2, 4}, {0, 1, 0, 1});
        },
        kyraSparsePreconditionerError, "gels failure");
}

TEST(SpaiKernel, OneBasedMatrixIsRefused) {
    const Csr<double> a = tridiagonal<double>(4, 1);
    expectSpaiFailure([&] { ainvOf(a, 0); }, kyraSparseFeatureNotImplemented, "spai preconditioning");
    expectSpaiFailure(
        [&] {
            spaiOn(a, {0, 1, 2, 3, 4}, {0, 1, 2, 3});
        },
        kyraSparseFeatureNotImplemented, "spai preconditioning");
}

// The columns are split over the thread team; the result must not depend
// on the split, and a failure in any thread's share reaches the caller.
TEST(SpaiKernel, ResultDoesNotDependOnTheThreadCount) {
    const Csr<kyra::Complex<double>> a = randomDominant<kyra::Complex<double>>(37, 4, 67);
    const int saved = omp_get_max_threads();
    omp_set_num_threads(1);
    const Dense<kyra::Complex<double>> one = toDense(*ainvOf(a, 1));
    omp_set_num_threads(2);
    const Dense<kyra::Complex<double>> two = toDense(*ainvOf(a, 1));
    omp_set_num_threads(saved);
    EXPECT_EQ(one.maxDifference(two), 0.0);
}

TEST(SpaiKernel, FailureInTheLastColumnReachesTheCaller) {
    // Columns 2 and 3 of A are linearly dependent on rows 2 and 3, so the
    // least-squares problems of the last two columns are rank deficient.
    const Csr<double> a(4, {{0, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}, {2, 3, 0.0}, {3, 2, 1.0}, {3, 3, 0.0}});
    const int saved = omp_get_max_threads();
    omp_set_num_threads(2);
    expectSpaiFailure([&] { ainvOf(a, 0); }, kyraSparsePreconditionerError, "gels failure");
    omp_set_num_threads(saved);
}

TEST(AinvClass, NameAndDefaults) {
    Iterative::Ainv ainv(nullptr);
    EXPECT_EQ(ainv.name(), "approximate inverse");
    EXPECT_NO_THROW(ainv.parameterCheck());
}

// ---------------------------------------------------------------------------
// Through the public interface.

using AinvSolve = PlanFixture;

Setter ainvSetter(int pattern) {
    return [pattern](kyraSparseHandle h, kyraSparsePlan p) {
        kyraSparseAinvOptions options{pattern, 0.0};
        return kyraSparseSetAinvPreconditioner(h, p, &options);
    };
}

TEST_F(AinvSolve, ReducesBicgstabIterations) {
    const SolveSystem s = convectionDiffusion(40, 0.5);
    setSystem(s);
    const auto [plain, preconditioned] = iterationsWithoutAndWith(bicgstab(), ainvSetter(1));
    EXPECT_LT(preconditioned, plain * 3 / 4);
}

TEST_F(AinvSolve, ReducesGmresIterations) {
    const SolveSystem s = convectionDiffusion(40, 0.5);
    setSystem(s);
    const auto [plain, preconditioned] = iterationsWithoutAndWith(gmres(), ainvSetter(1));
    EXPECT_LT(preconditioned, plain * 3 / 4);
}

// The second execution reuses the set-up; new data set it up again.
TEST_F(AinvSolve, SetsUpOncePerData) {
    const SolveSystem s = convectionDiffusion(60, 1.0);
    setSystem(s);
    ASSERT_EQ(kyraSparseSetBicgstabSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(ainvSetter(1)(handle, plan), kyraSparseNoError);
    const kyraSparseResult first = solve();
    const kyraSparseResult second = solve();
    setSystem(s);
    const kyraSparseResult third = solve();
    EXPECT_GT(first.preconditionerTime, 0.0);
    EXPECT_LT(second.preconditionerTime, first.preconditionerTime / 100);
    EXPECT_GT(third.preconditionerTime, second.preconditionerTime * 100);
    EXPECT_EQ(first.iterations, second.iterations);
}

TEST_F(AinvSolve, OneBasedDataIsRefusedAndThePlanRecovers) {
    const SolveSystem s = convectionDiffusion(6, 1.0);
    std::vector<int> rowPtr1 = s.rowPtr;
    std::vector<int> colInd1 = s.colInd;
    for (int& p : rowPtr1) ++p;
    for (int& c : colInd1) ++c;
    kyraSparseCsrOptions oneBased{1};
    x.assign(s.n, 0.0);
    b.assign(s.n, 1.0);
    ASSERT_EQ(kyraSparseSetDcsrData(handle, plan, &oneBased, s.n, s.nnz(), s.val.data(), rowPtr1.data(),
                                    colInd1.data(), x.data(), b.data()),
              kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetGmresSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(ainvSetter(0)(handle, plan), kyraSparseNoError);
    kyraSparseResult result{};
    EXPECT_EQ(kyraSparseExecutePlan(handle, plan, &config, &result), kyraSparseFeatureNotImplemented);
    EXPECT_EQ(lastStatus(), "feature not implemented: spai preconditioning");

    setSystem(s);
    solve();
}

TEST_F(AinvSolve, MatrixFreeDataIsRefusedAndThePlanRecovers) {
    expectMatrixFreeRefusal(gmres(), ainvSetter(0), "ainv preconditioner");
}

}  // namespace
