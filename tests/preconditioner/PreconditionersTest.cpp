// What every preconditioner owes, checked kind by kind from tables: apply
// multiplies by op of the operator its factory built; the setters name it or
// refuse its options; through the public interface it reduces the
// iterations of its natural solver, is set up once per data, refuses
// matrix-free data, and a failed set-up leaves the plan usable.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/Ainv.h"
#include "preconditioner/BlockJacobi.h"
#include "preconditioner/FactorizedAinv.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/Jacobi.h"
#include "preconditioner/host/factories.h"

namespace {

using namespace pctest;
using Iterative::TransOp;

template <typename T>
class PreconditionerApply : public ::testing::Test {};
TYPED_TEST_SUITE(PreconditionerApply, ScalarTypes);

// apply(op) multiplies by op(M) for the M of each kind: D^-1, the block
// inverses, (LU)^-1 of the factors, the approximate inverse, Z^H Z.
TYPED_TEST(PreconditionerApply, MultipliesByOpOfTheOperator) {
    using T = TypeParam;
    using namespace pc::host;
    const kyraSparseBlockjacobiOptions blocks{4};
    const kyraSparseFainvOptions fsaiPattern{1, 0.0};
    const auto inverseDiagonal = [](const Csr<T>& a) {
        Dense<T> d(a.n());
        for (int i = 0; i < a.n(); ++i) d(i, i) = Wide<T>(1) / widen(a.at(i, i));
        return d;
    };
    const struct {
        std::unique_ptr<Iterative::Preconditioner> preconditioner;
        Csr<T> a;
        std::function<Dense<T>(const Csr<T>&)> M;
        double slack;
    } cases[] = {
        {std::make_unique<Iterative::Jacobi>(nullptr), randomDominant<T>(9, 3, 5), inverseDiagonal, 1},
        {std::make_unique<Iterative::BlockJacobi>(&blocks), randomDominant<T>(10, 3, 7),
         [&](const Csr<T>& a) { return toDense(*makeBlockJacobi(a.matrix(), blocks)); }, 10},
        {std::make_unique<Iterative::Ilu0>(nullptr), randomDominant<T>(12, 3, 31),
         [](const Csr<T>& a) {
             return inverse(productOfFactors(toDense(*makeIlu0(a.matrix(), kyraSparseIlu0Options{}))));
         },
         10},
        {std::make_unique<Iterative::Ainv>(nullptr), randomDominant<T>(10, 3, 43),
         [](const Csr<T>& a) {
             return toDense(*makeAinv(a.matrix(), kyraSparseAinvOptions{0, 0.0}));
         },
         1},
        {std::make_unique<Iterative::FactorizedAinv>(&fsaiPattern), randomHermitianDefinite<T>(11, 2, 59),
         [&](const Csr<T>& a) {
             const Dense<T> Z = toDense(*makeFactorizedAinv(a.matrix(), fsaiPattern));
             return Z.transposed() * Z;
         },
         10},
    };
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    std::mt19937 generator(3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preconditioner->name());
        const int n = c.a.n();
        EXPECT_FALSE(c.preconditioner->isInit());
        c.preconditioner->template generate<T>(context, platform, c.a.matrix());
        EXPECT_TRUE(c.preconditioner->isInit());
        std::vector<T> values = randomVector<T>(n, generator);
        const Iterative::HostVectorRef<T> in(n, values.data());
        Iterative::HostVectorAlloc<T> out(n);
        const Dense<T> M = c.M(c.a);
        for (TransOp op : {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans}) {
            c.preconditioner->template apply<T>(op, in, out);
            const std::vector<Wide<T>> expected =
                (op == TransOp::NoTrans ? M : M.transposed(op == TransOp::ConjTrans)) * values;
            for (int i = 0; i < n; ++i)
                EXPECT_LE(kyra::abs(widen(out(i)) - expected[i]), c.slack * tolerance<T>())
                    << "op " << op.value();
        }
    }
}

// ---------------------------------------------------------------------------
// Through the public interface.

using Preconditioners = PlanFixture;

// A refused option leaves the plan with the preconditioner it had.
TEST_F(Preconditioners, SettersNameTheKindOrRefuseItsOptions) {
    const struct {
        Setter set;
        kyraSparseStatus status;
        std::string text;  // the plan's preconditioner text, or the refusal
    } cases[] = {
        {with(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions{0}),
         kyraSparseArgumentError, "argument error: precondOpts.blockSize > 0"},
        {withDefaults(kyraSparseSetJacobiPreconditioner), kyraSparseNoError, "jacobi"},
        {with(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions{-3}),
         kyraSparseArgumentError, "argument error: precondOpts.blockSize > 0"},
        {withDefaults(kyraSparseSetBlockJacobiPreconditioner), kyraSparseNoError, "block jacobi (n=5)"},
        {with(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions{12}), kyraSparseNoError,
         "block jacobi (n=12)"},
        {withDefaults(kyraSparseSetIlu0Preconditioner), kyraSparseNoError, "ilu0"},
        {withDefaults(kyraSparseSetAinvPreconditioner), kyraSparseNoError, "approximate inverse"},
        {withDefaults(kyraSparseSetFainvPreconditioner), kyraSparseNoError, "factorized approximate inverse"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{0, 0.0}), kyraSparseNoError,
         "factorized approximate inverse"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{1, 0.0}), kyraSparseNoError,
         "factorized approximate inverse (AA pattern)"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{2, 0.0}), kyraSparseNoError,
         "factorized approximate inverse (AAA pattern)"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{3, 0.0}), kyraSparseNoError,
         "factorized approximate inverse (AAAA pattern)"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{4, 0.0}), kyraSparseNoError,
         "factorized approximate inverse"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{-1, 0.0}), kyraSparseNoError,
         "factorized approximate inverse"},
    };
    std::string current = "no preconditioner";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(c.set(handle, plan), c.status);
        if (c.status == kyraSparseNoError) {
            current = c.text;
        } else {
            EXPECT_EQ(lastStatus(), c.text);
        }
        EXPECT_EQ(planText(kyraSparseGetPlanPreconditionerString), current);
    }
}

// Each kind needs clearly fewer iterations of its natural solver than no
// preconditioner, and both solves reach the true-residual tolerance.
TEST_F(Preconditioners, ReduceTheIterationsOfTheirSolvers) {
    const CsrSystem badlyScaled = scaledPoisson(24), nonsymmetric = convectionDiffusion(40, 0.5),
                    poisson = poisson2d(40);
    const Setter cg = withDefaults(kyraSparseSetCgSolver),
                 bicgstab = withDefaults(kyraSparseSetBicgstabSolver),
                 gmres = withDefaults(kyraSparseSetGmresSolver);
    const Setter ilu0 = withDefaults(kyraSparseSetIlu0Preconditioner),
                 ainv = with(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions{1, 0.0});
    const struct {
        const CsrSystem& system;
        Setter solver, preconditioner;
        int numerator, denominator;  // preconditioned < plain * numerator / denominator
    } cases[] = {
        {badlyScaled, cg, withDefaults(kyraSparseSetJacobiPreconditioner), 1, 2},
        {badlyScaled, cg, with(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions{4}), 1,
         2},
        {nonsymmetric, bicgstab, ilu0, 1, 2},
        {nonsymmetric, gmres, ilu0, 1, 2},
        {nonsymmetric, bicgstab, ainv, 3, 4},
        {nonsymmetric, gmres, ainv, 3, 4},
        {poisson, cg, with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{1, 0.0}), 3, 4},
    };
    for (const auto& c : cases) {
        setSystem(c.system);
        ASSERT_EQ(c.solver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(kyraSparseSetNoPreconditioner(handle, plan, nullptr), kyraSparseNoError);
        const int plain = solve().iterations;
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError) << lastStatus();
        SCOPED_TRACE(planText(kyraSparseGetPlanPreconditionerString) + " with " +
                     planText(kyraSparseGetPlanSolverString));
        EXPECT_LT(solve().iterations, plain * c.numerator / c.denominator);
    }
}

// The second execution reuses the set-up and gives the same iterations; new
// data set it up again.
TEST_F(Preconditioners, AreSetUpOncePerData) {
    const CsrSystem nonsymmetric = convectionDiffusion(60, 1.0), poisson = poisson2d(100);
    const struct {
        const CsrSystem& system;
        Setter solver, preconditioner;
    } cases[] = {
        {nonsymmetric, withDefaults(kyraSparseSetBicgstabSolver),
         with(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions{1, 0.0})},
        {poisson, withDefaults(kyraSparseSetCgSolver),
         with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{2, 0.0})},
    };
    for (const auto& c : cases) {
        setSystem(c.system);
        ASSERT_EQ(c.solver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError);
        SCOPED_TRACE(planText(kyraSparseGetPlanPreconditionerString));
        const kyraSparseResult first = solve();
        const kyraSparseResult second = solve();
        setSystem(c.system);
        const kyraSparseResult third = solve();
        EXPECT_GT(first.preconditionerTime, 0.0);
        EXPECT_LT(second.preconditionerTime, first.preconditionerTime / 100);
        EXPECT_GT(third.preconditionerTime, second.preconditionerTime * 100);
        EXPECT_EQ(first.iterations, second.iterations);
    }
}

// With matrix-free data every kind fails at execution with status 6 and its
// text; the same plan then solves without a preconditioner.
TEST_F(Preconditioners, RefuseMatrixFreeDataAndThePlanRecovers) {
    const Setter cg = withDefaults(kyraSparseSetCgSolver);
    const struct {
        Setter solver, preconditioner;
        const char* text;
    } cases[] = {
        {cg, withDefaults(kyraSparseSetJacobiPreconditioner), "jacobi preconditioner"},
        {cg, withDefaults(kyraSparseSetBlockJacobiPreconditioner), "block jacobi preconditioner"},
        {cg, withDefaults(kyraSparseSetIlu0Preconditioner), "ilu0 preconditioner"},
        {withDefaults(kyraSparseSetGmresSolver),
         with(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions{}), "ainv preconditioner"},
        {cg, with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{}),
         "factorized ainv preconditioner"},
    };
    int n = 4;
    std::vector<double> xs(n), bs(n, 2.0);
    ASSERT_EQ(kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, doubling, &n, xs.data(), bs.data()),
              kyraSparseNoError);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::fill(xs.begin(), xs.end(), 0.0);
        ASSERT_EQ(c.solver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError);
        EXPECT_EQ(execute(), kyraSparseFeatureNotImplemented);
        EXPECT_EQ(lastStatus(), std::string("feature not implemented: ") + c.text);

        ASSERT_EQ(kyraSparseSetNoPreconditioner(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(execute(), kyraSparseNoError) << lastStatus();
        for (double v : xs) EXPECT_NEAR(v, 1.0, 1e-12);
    }
}

// A set-up that fails reports its status and text, and the plan then solves
// good data with the same preconditioner.
TEST_F(Preconditioners, FailedSetUpReportsAndThePlanRecovers) {
    std::vector<Entry<double>> upwind;  // convectionDiffusion(6, 1.0), to be given one-based
    const CsrSystem good = convectionDiffusion(6, 1.0), poisson = poisson2d(6);
    for (int i = 0; i < good.n; ++i)
        for (int p = good.rowPtr[i]; p < good.rowPtr[i + 1]; ++p)
            upwind.push_back({i, good.colInd[p], good.values[p]});
    const struct {
        Csr<double> bad;
        const CsrSystem& good;
        Setter solver, preconditioner;
        kyraSparseStatus status;
        const char* text;
    } cases[] = {
        {Csr<double>(2, {{0, 0, 1.0}, {1, 0, 1.0}}), good, withDefaults(kyraSparseSetBicgstabSolver),
         withDefaults(kyraSparseSetIlu0Preconditioner), kyraSparsePreconditionerError,
         "preconditioner error: input matrix is missing a diagonal element"},
        {Csr<double>(good.n, upwind, 1), good, withDefaults(kyraSparseSetGmresSolver),
         with(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions{}), kyraSparseFeatureNotImplemented,
         "feature not implemented: spai preconditioning"},
        {Csr<double>(2, {{0, 0, -1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}), poisson,
         withDefaults(kyraSparseSetCgSolver),
         with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{}), kyraSparsePreconditionerError,
         "preconditioner error: the input matrix is not positive definite"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        x.assign(c.bad.n(), 0.0);
        b.assign(c.bad.n(), 1.0);
        ASSERT_EQ(setData(c.bad, x, b), kyraSparseNoError);
        ASSERT_EQ(c.solver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError);
        EXPECT_EQ(execute(), c.status);
        EXPECT_EQ(lastStatus(), c.text);
        setSystem(c.good);
        solve();
    }
}

}  // namespace
