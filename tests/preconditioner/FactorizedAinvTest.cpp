#include <gtest/gtest.h>
#include <omp.h>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "preconditioner/FactorizedAinv.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/factorized_spai.h"
#include "preconditioner/host/power_pattern.h"

namespace {

using namespace pctest;
using Iterative::HostVectorAlloc;
using Iterative::TransOp;

template <typename T>
std::shared_ptr<Matrix<T>> fsaiOf(const Csr<T>& a, int pattern, double dropTolerance = 0.0) {
    return pc::host::makeFactorizedAinv(a.matrix(), kyraSparseFainvOptions{pattern, dropTolerance});
}

template <typename T>
class FactorizedAinvTyped : public ::testing::Test {};
TYPED_TEST_SUITE(FactorizedAinvTyped, ScalarTypes);

// Z is upper triangular on the upper power pattern with the diagonal first
// in each row; Z A Z^H has a unit diagonal and Z A vanishes on Z's
// off-diagonal pattern (the conditions that define each row).
TYPED_TEST(FactorizedAinvTyped, RowsSatisfyTheDefiningConditions) {
    using T = TypeParam;
    const Csr<T> a = randomHermitianDefinite<T>(25, 2, 53);
    const Dense<T> A = toDense(a);
    for (int option : {0, 1}) {
        const auto Zp = fsaiOf(a, option);
        const auto& z = dynamic_cast<const HostCsrMatrix<T>&>(*Zp);
        const auto pattern = pc::host::GetUpperPowerPattern(pc::host::patternPower(option), a.n(), a.nnz(),
                                                            a.rowPtr().data(), a.colInd().data());
        EXPECT_EQ(z.index().toInt(), 0);
        EXPECT_EQ(std::vector<int>(z.rowPtr(), z.rowPtr() + a.n() + 1), *pattern.rowPtr);
        EXPECT_EQ(std::vector<int>(z.colInd(), z.colInd() + z.nnz()), *pattern.colInd);
        const Dense<T> Z = toDense(*Zp);
        const Dense<T> ZA = Z * A;
        const Dense<T> ZAZh = ZA * Z.conjugateTranspose();
        for (int i = 0; i < a.n(); ++i) {
            ASSERT_EQ(z.colInd()[z.rowPtr()[i]], i);
            EXPECT_LE(kyra::abs(ZAZh(i, i) - Wide<T>(1)), tolerance<T>())
                << "option " << option << " row " << i;
            for (int p = z.rowPtr()[i] + 1; p < z.rowPtr()[i + 1]; ++p) {
                EXPECT_LE(kyra::abs(ZA(i, z.colInd()[p])), tolerance<T>() * A.maxAbs())
                    << "option " << option << " entry (" << i << ", " << z.colInd()[p] << ")";
            }
        }
    }
}

TYPED_TEST(FactorizedAinvTyped, DiagonalMatrixGivesInverseSquareRoots) {
    using T = TypeParam;
    const Csr<T> a(3, {{0, 0, scalar<T>(4.0)}, {1, 1, scalar<T>(0.25)}, {2, 2, scalar<T>(2.0)}});
    const Dense<T> Z = toDense(*fsaiOf(a, 2));
    EXPECT_LE(kyra::abs(Z(0, 0) - Wide<T>(0.5)), tolerance<T>());
    EXPECT_LE(kyra::abs(Z(1, 1) - Wide<T>(2.0)), tolerance<T>());
    EXPECT_LE(kyra::abs(Z(2, 2) - Wide<T>(1.0 / std::sqrt(2.0))), tolerance<T>());
}

// The class applies Z^H Z for op 0 and op(Z) op(Z^H) otherwise; checked
// against the dense products.
TYPED_TEST(FactorizedAinvTyped, ApplyMultipliesByTheFactors) {
    using T = TypeParam;
    const Csr<T> a = randomHermitianDefinite<T>(11, 2, 59);
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    kyraSparseFainvOptions options{1, 0.0};
    Iterative::FactorizedAinv fsai(&options);
    fsai.generate<T>(context, platform, a.matrix());
    const Dense<T> Z = toDense(*fsaiOf(a, 1));
    const Dense<T> Zh = Z.conjugateTranspose();
    HostVectorAlloc<T> in(a.n());
    HostVectorAlloc<T> out(a.n());
    std::mt19937 generator(13);
    for (int i = 0; i < a.n(); ++i) in(i) = randomValue<T>(generator, 1.0);
    for (TransOp op : {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans}) {
        Dense<T> M = Zh * Z;
        if (op != TransOp::NoTrans) {
            const Dense<T> Mt = M.conjugateTranspose();
            M = Mt;
            if (op == TransOp::Trans) {
                for (int i = 0; i < a.n(); ++i) {
                    for (int j = 0; j < a.n(); ++j) M(i, j) = kyra::conj(Mt(i, j));
                }
            }
        }
        fsai.apply<T>(op, in, out);
        for (int i = 0; i < a.n(); ++i) {
            Wide<T> expected(0);
            for (int k = 0; k < a.n(); ++k) expected += M(i, k) * widen(in(k));
            EXPECT_LE(kyra::abs(widen(out(i)) - expected), 10 * tolerance<T>()) << "op " << op.value();
        }
    }
}

TEST(FactorizedAinvKernel, TridiagonalRowsHoldTwoEntries) {
    const Csr<double> a = tridiagonal<double>(6);
    const auto Zp = fsaiOf(a, 0);
    const auto& z = dynamic_cast<const HostCsrMatrix<double>&>(*Zp);
    EXPECT_EQ(std::vector<int>(z.rowPtr(), z.rowPtr() + 7), (std::vector<int>{0, 2, 4, 6, 8, 10, 11}));
    const Dense<double> Z = toDense(*Zp);
    const Dense<double> ZAZt = Z * toDense(a) * Z.conjugateTranspose();
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(ZAZt(i, i), 1.0, 1e-14);
}

TEST(FactorizedAinvKernel, DropToleranceKeepsTheDiagonal) {
    const Csr<double> a = randomHermitianDefinite<double>(30, 3, 61);
    const Dense<double> full = toDense(*fsaiOf(a, 1));
    const Dense<double> dropped = toDense(*fsaiOf(a, 1, 0.05));
    for (int i = 0; i < a.n(); ++i) {
        EXPECT_EQ(dropped(i, i), full(i, i));
        for (int j = 0; j < a.n(); ++j) {
            if (i != j) {
                EXPECT_EQ(dropped(i, j), std::abs(full(i, j)) >= 0.05 ? full(i, j) : 0.0);
            }
        }
    }
}

void expectFailure(const Csr<double>& a, kyraSparseStatus status, const std::string& text) {
    try {
        fsaiOf(a, 0);
        ADD_FAILURE() << "no failure, expected " << text;
    } catch (const Iterative::KyraSparseException& e) {
        EXPECT_EQ(e.code(), status);
        EXPECT_EQ(e.what(), text);
    }
}

TEST(FactorizedAinvFailures, NegativeDiagonalWithUpperEntries) {
    expectFailure(Csr<double>(2, {{0, 0, -1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}),
                  kyraSparsePreconditionerError, "the input matrix is not positive definite");
}

TEST(FactorizedAinvFailures, IndefiniteSubsystem) {
    // Row 0 needs A({1, 2}, {1, 2}) = [[1, 2], [2, 1]], which is indefinite.
    expectFailure(Csr<double>(3, {{0, 0, 5.0},
                                  {0, 1, 1.0},
                                  {0, 2, 1.0},
                                  {1, 0, 1.0},
                                  {1, 1, 1.0},
                                  {1, 2, 2.0},
                                  {2, 0, 1.0},
                                  {2, 1, 2.0},
                                  {2, 2, 1.0}}),
                  kyraSparsePreconditionerError, "the input matrix is not positive definite");
}

TEST(FactorizedAinvFailures, MissingDiagonal) {
    expectFailure(Csr<double>(3, {{0, 0, 2.0}, {1, 0, 1.0}, {1, 2, 1.0}, {2, 2, 2.0}}),
                  kyraSparsePreconditionerError, "input matrix is missing diagonal");
}

TEST(FactorizedAinvFailures, OneBasedMatrix) {
    expectFailure(tridiagonal<double>(4, 1), kyraSparseFeatureNotImplemented,
                  "factorized spai preconditioning");
}

// The rows are split over the thread team; the result must not depend on
// the split, and a failure in any thread's share reaches the caller.
TEST(FactorizedAinvKernel, ResultDoesNotDependOnTheThreadCount) {
    const Csr<kyra::Complex<float>> a = randomHermitianDefinite<kyra::Complex<float>>(41, 3, 71);
    const int saved = omp_get_max_threads();
    omp_set_num_threads(1);
    const Dense<kyra::Complex<float>> one = toDense(*fsaiOf(a, 2));
    omp_set_num_threads(2);
    const Dense<kyra::Complex<float>> two = toDense(*fsaiOf(a, 2));
    omp_set_num_threads(saved);
    EXPECT_EQ(one.maxDifference(two), 0.0);
}

TEST(FactorizedAinvFailures, FailureInTheLastRowsReachesTheCaller) {
    // Rows 0..4 are fine; row 5 has a negative diagonal and an upper entry.
    std::vector<Entry<double>> entries;
    for (int i = 0; i < 5; ++i) entries.push_back({i, i, 2.0});
    entries.push_back({5, 5, -2.0});
    entries.push_back({5, 6, 0.5});
    entries.push_back({6, 5, 0.5});
    entries.push_back({6, 6, 2.0});
    const int saved = omp_get_max_threads();
    omp_set_num_threads(2);
    expectFailure(Csr<double>(7, entries), kyraSparsePreconditionerError,
                  "the input matrix is not positive definite");
    omp_set_num_threads(saved);
}

TEST(FactorizedAinvClass, NameFollowsThePattern) {
    EXPECT_EQ(Iterative::FactorizedAinv(nullptr).name(), "factorized approximate inverse");
    const std::vector<std::pair<int, std::string>> names = {
        {0, "factorized approximate inverse"},
        {1, "factorized approximate inverse (AA pattern)"},
        {2, "factorized approximate inverse (AAA pattern)"},
        {3, "factorized approximate inverse (AAAA pattern)"},
        {4, "factorized approximate inverse"},
        {-1, "factorized approximate inverse"}};
    for (const auto& [pattern, name] : names) {
        kyraSparseFainvOptions options{pattern, 0.0};
        EXPECT_EQ(Iterative::FactorizedAinv(&options).name(), name);
    }
}

// ---------------------------------------------------------------------------
// Through the public interface.

using FactorizedAinvSolve = PlanFixture;

Setter fsaiSetter(int pattern) {
    return [pattern](kyraSparseHandle h, kyraSparsePlan p) {
        kyraSparseFainvOptions options{pattern, 0.0};
        return kyraSparseSetFainvPreconditioner(h, p, &options);
    };
}

TEST_F(FactorizedAinvSolve, ReducesConjugateGradientIterations) {
    const SolveSystem s = poisson(40);
    setSystem(s);
    const auto [plain, preconditioned] = iterationsWithoutAndWith(cg(), fsaiSetter(1));
    EXPECT_LT(preconditioned, plain * 3 / 4);
}

TEST_F(FactorizedAinvSolve, SetsUpOncePerData) {
    const SolveSystem s = poisson(100);
    setSystem(s);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(fsaiSetter(2)(handle, plan), kyraSparseNoError);
    const kyraSparseResult first = solve();
    const kyraSparseResult second = solve();
    setSystem(s);
    const kyraSparseResult third = solve();
    EXPECT_LT(second.preconditionerTime, first.preconditionerTime / 100);
    EXPECT_GT(third.preconditionerTime, second.preconditionerTime * 100);
}

TEST_F(FactorizedAinvSolve, NotPositiveDefiniteIsReportedAndThePlanRecovers) {
    SolveSystem bad;
    bad.add(0, -1.0);
    bad.add(1, 0.5);
    bad.endRow();
    bad.add(0, 0.5);
    bad.add(1, 2.0);
    bad.endRow();
    setSystem(bad);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(fsaiSetter(0)(handle, plan), kyraSparseNoError);
    kyraSparseResult result{};
    EXPECT_EQ(kyraSparseExecutePlan(handle, plan, &config, &result), kyraSparsePreconditionerError);
    EXPECT_EQ(lastStatus(), "preconditioner error: the input matrix is not positive definite");

    const SolveSystem good = poisson(6);
    setSystem(good);
    solve();
}

TEST_F(FactorizedAinvSolve, MatrixFreeDataIsRefusedAndThePlanRecovers) {
    expectMatrixFreeRefusal(cg(), fsaiSetter(0), "factorized ainv preconditioner");
}

}  // namespace
