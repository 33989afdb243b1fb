// What every preconditioner owes, checked kind by kind from tables: apply
// multiplies by op of the operator its factory built; the setters name it or
// refuse its options; through the public interface it refuses matrix-free
// data, and a failed set-up leaves the plan usable.

#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PreconditionerTestSupport.h"
#include "common/PublicSolve.h"
#include "core/Context.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/Ainv.h"
#include "preconditioner/BlockJacobi.h"
#include "preconditioner/FactorizedAinv.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/Jacobi.h"

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
    const struct {
        std::unique_ptr<Iterative::Preconditioner> preconditioner;
        Csr<T> a;
        std::function<Dense<T>(const Csr<T>&)> M;
    } cases[] = {
        {std::make_unique<Iterative::Jacobi>(nullptr), randomMatrix<T>(9, 3, 5),
         [](const Csr<T>& a) { return toDense(*makeJacobi(a.matrix(), kyraSparseJacobiOptions{})); }},
        {std::make_unique<Iterative::BlockJacobi>(&blocks), randomMatrix<T>(10, 3, 7),
         [&](const Csr<T>& a) { return toDense(*makeBlockJacobi(a.matrix(), blocks)); }},
        {std::make_unique<Iterative::Ilu0>(nullptr), randomMatrix<T>(12, 3, 31),
         [](const Csr<T>& a) { return inverse(productOfFactors(toDense(*makeIlu0(a.matrix(), {})))); }},
        {std::make_unique<Iterative::Ainv>(nullptr), randomMatrix<T>(10, 3, 43),
         [](const Csr<T>& a) {
             return toDense(*makeAinv(a.matrix(), kyraSparseAinvOptions{0, 0.0}));
         }},
        {std::make_unique<Iterative::FactorizedAinv>(&fsaiPattern), randomHermitianDefinite<T>(11, 2, 59),
         [&](const Csr<T>& a) {
             const Dense<T> Z = toDense(*makeFactorizedAinv(a.matrix(), fsaiPattern));
             return Z.transposed() * Z;
         }},
    };
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    std::mt19937 generator(3);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preconditioner->name());
        const int n = c.a.n();
        c.preconditioner->template generate<T>(context, platform, c.a.matrix());
        std::vector<T> values = randomVector<T>(n, generator);
        const Iterative::HostVectorRef<T> in(n, values.data());
        Iterative::HostVectorAlloc<T> out(n);
        const Dense<T> M = c.M(c.a);
        for (TransOp op : {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans}) {
            c.preconditioner->template apply<T>(op, in, out);
            const std::vector<Wide<T>> expected =
                (op == TransOp::NoTrans ? M : M.transposed(op == TransOp::ConjTrans)) * values;
            for (int i = 0; i < n; ++i)
                EXPECT_LE(kyra::abs(widen(out(i)) - expected[i]), 10 * tolerance<T>()) << "op " << op.value();
        }
    }
}

// ---------------------------------------------------------------------------
// Through the public interface.

using Setter = std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)>;

template <typename Options>
Setter with(kyraSparseStatus (*set)(kyraSparseHandle, kyraSparsePlan, const Options*), Options options) {
    return [set, options](kyraSparseHandle h, kyraSparsePlan p) { return set(h, p, &options); };
}
template <typename Options>
Setter withDefaults(kyraSparseStatus (*set)(kyraSparseHandle, kyraSparsePlan, const Options*)) {
    return [set](kyraSparseHandle h, kyraSparsePlan p) { return set(h, p, nullptr); };
}

// A g x g 5-point grid, upwind couplings by 1 + wind: symmetric positive
// definite without wind.
Csr<double> grid(int g, double wind) {
    std::vector<Entry<double>> e;
    for (int k = 0; k < g * g; ++k) {
        for (int j : {k - g, k % g ? k - 1 : -1, k % g + 1 < g ? k + 1 : -1, k + g})
            if (j >= 0 && j < g * g) e.push_back({k, j, j < k ? -1 - wind : -1.0});
        e.push_back({k, k, 4.0 + 2.0 * wind});
    }
    return Csr<double>(g * g, sortedByRowAndColumn(e));
}

class Preconditioners : public PublicPlan {
  protected:
    // Solves A x = A 1 from zero to 1e-8 and checks the true residual.
    int solve(const Csr<double>& A) {
        x.assign(A.n(), 0.0);
        b = rightHandSide(A, std::vector<double>(A.n(), 1.0));
        EXPECT_EQ(setData(A, x, b), kyraSparseNoError);
        config.relativeTolerance = 1e-8;
        EXPECT_EQ(execute(), kyraSparseNoError) << lastStatus();
        EXPECT_LE(trueResidual(A, b, x), 1e-7 * norm(b));
        return result.iterations;
    }
    std::vector<double> x, b;
};

// A refused option leaves the plan with the preconditioner it had.
TEST_F(Preconditioners, SettersNameTheKindOrRefuseItsOptions) {
    const struct {
        Setter set;
        kyraSparseStatus status;
        std::string text;  // the plan's preconditioner text, or the refusal
    } cases[] = {
        {withDefaults(kyraSparseSetJacobiPreconditioner), kyraSparseNoError, "jacobi"},
        {with(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions{0}),
         kyraSparseArgumentError, "argument error: precondOpts.blockSize > 0"},
        {withDefaults(kyraSparseSetBlockJacobiPreconditioner), kyraSparseNoError, "block jacobi (n=5)"},
        {withDefaults(kyraSparseSetIlu0Preconditioner), kyraSparseNoError, "ilu0"},
        {withDefaults(kyraSparseSetAinvPreconditioner), kyraSparseNoError, "approximate inverse"},
        {withDefaults(kyraSparseSetFainvPreconditioner), kyraSparseNoError, "factorized approximate inverse"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{1, 0.0}), kyraSparseNoError,
         "factorized approximate inverse (AA pattern)"},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{4, 0.0}), kyraSparseNoError,
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

// Matrix-free data: y = 2 x.
void doubling(char, const double* x, double* y, void* user) {
    for (int i = 0; i < *static_cast<const int*>(user); ++i) y[i] = 2.0 * x[i];
}

// With matrix-free data every kind fails at execution with status 6 and its
// text; the same plan then solves without a preconditioner.
TEST_F(Preconditioners, RefuseMatrixFreeDataAndThePlanRecovers) {
    const struct {
        Setter preconditioner;
        const char* text;
    } cases[] = {
        {withDefaults(kyraSparseSetJacobiPreconditioner), "jacobi preconditioner"},
        {withDefaults(kyraSparseSetBlockJacobiPreconditioner), "block jacobi preconditioner"},
        {withDefaults(kyraSparseSetIlu0Preconditioner), "ilu0 preconditioner"},
        {withDefaults(kyraSparseSetAinvPreconditioner), "ainv preconditioner"},
        {withDefaults(kyraSparseSetFainvPreconditioner), "factorized ainv preconditioner"},
    };
    int n = 4;
    x.assign(n, 0.0);
    b.assign(n, 2.0);
    ASSERT_EQ(kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, doubling, &n, x.data(), b.data()),
              kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError);
        EXPECT_EQ(execute(), kyraSparseFeatureNotImplemented);
        EXPECT_EQ(lastStatus(), std::string("feature not implemented: ") + c.text);
        ASSERT_EQ(kyraSparseSetNoPreconditioner(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(execute(), kyraSparseNoError) << lastStatus();
        EXPECT_EQ(x, std::vector<double>(n, 1.0));
    }
}

// A set-up that fails reports its status and text, and the plan then solves
// good data with the same preconditioner. Approximate inverses left without
// entries (none given, or every entry dropped because none is finite) say so.
TEST_F(Preconditioners, FailedSetUpReportsAndThePlanRecovers) {
    const Csr<double> good = grid(6, 1.0), poisson = grid(6, 0.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Setter gmres = withDefaults(kyraSparseSetGmresSolver),
                 ainv = with(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions{0, 0.5});
    const char* noEntries = "preconditioner error: approximate inverse has no entries";
    const struct {
        Csr<double> bad;
        const Csr<double>& good;
        Setter solver, preconditioner;
        kyraSparseStatus status;
        const char* text;
    } cases[] = {
        {Csr<double>(2, {{0, 0, 1.0}, {1, 0, 1.0}}), good, withDefaults(kyraSparseSetBicgstabSolver),
         withDefaults(kyraSparseSetIlu0Preconditioner), kyraSparsePreconditionerError,
         "preconditioner error: input matrix is missing a diagonal element"},
        {Csr<double>(good.n(), good.entries(), 1), good, gmres, withDefaults(kyraSparseSetAinvPreconditioner),
         kyraSparseFeatureNotImplemented, "feature not implemented: spai preconditioning"},
        {Csr<double>(2, {{0, 0, -1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}), poisson,
         withDefaults(kyraSparseSetCgSolver), withDefaults(kyraSparseSetFainvPreconditioner),
         kyraSparsePreconditionerError, "preconditioner error: the input matrix is not positive definite"},
        {Csr<double>(2, {}), good, gmres, ainv, kyraSparsePreconditionerError, noEntries},
        {Csr<double>(2, {{0, 1, nan}, {1, 0, nan}}), good, gmres, ainv, kyraSparsePreconditionerError,
         noEntries},
        {Csr<double>(2, {}), poisson, withDefaults(kyraSparseSetCgSolver),
         with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{0, 0.5}),
         kyraSparsePreconditionerError,
         "preconditioner error: factorized approximate inverse has no entries"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        x.assign(c.bad.n(), 0.0);
        b.assign(c.bad.n(), 1.0);
        // Arrays without entries still need addresses.
        ASSERT_EQ(c.bad.nnz() ? setData(c.bad, x, b)
                              : kyraSparseSetDcsrData(handle, plan, nullptr, c.bad.n(), 0, &nan,
                                                      c.bad.rowPtr().data(), c.bad.rowPtr().data(), x.data(),
                                                      b.data()),
                  kyraSparseNoError);
        ASSERT_EQ(c.solver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError);
        EXPECT_EQ(execute(), c.status);
        EXPECT_EQ(lastStatus(), c.text);
        solve(c.good);
    }
}

}  // namespace
