// What every preconditioner owes, checked kind by kind from tables: apply
// multiplies by op of the operator its factory built; the setters name it or
// refuse its options; a failed set-up reports its text and leaves the plan
// usable.

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

// apply(op) solves with op of A's diagonal or diagonal blocks (one-based A,
// a partial last block) and of L U of ILU0's factors, and multiplies by op of
// the approximate inverse and of Z^H Z.
TYPED_TEST(PreconditionerApply, MultipliesByOpOfTheOperator) {
    using T = TypeParam;
    using namespace pc::host;
    const kyraSparseBlockjacobiOptions blocks{4};
    const kyraSparseFainvOptions fsaiPattern{1, 0.0};
    // A's diagonal blocks of the given size, zero elsewhere.
    const auto blocksOf = [](int size) {
        return [size](const Csr<T>& a) {
            Dense<T> d = a.dense();
            for (int i = 0; i < a.n(); ++i)
                for (int j = 0; j < a.n(); ++j)
                    if (i / size != j / size) d(i, j) = Wide<T>(0);
            return d;
        };
    };
    const struct {
        std::unique_ptr<Iterative::Preconditioner> preconditioner;
        Csr<T> a;
        std::function<Dense<T>(const Csr<T>&)> M;
        bool solves = false;
    } cases[] = {
        {std::make_unique<Iterative::Jacobi>(nullptr), randomMatrix<T>(9, 3, 5, 1), blocksOf(1), true},
        {std::make_unique<Iterative::BlockJacobi>(&blocks), randomMatrix<T>(10, 3, 7, 1), blocksOf(4), true},
        {std::make_unique<Iterative::Ilu0>(nullptr), randomMatrix<T>(12, 3, 31),
         [](const Csr<T>& a) { return productOfFactors(toDense(*makeIlu0(a.matrix(), {}))); }, true},
        {std::make_unique<Iterative::Ainv>(nullptr), randomMatrix<T>(10, 3, 43),
         [](const Csr<T>& a) { return toDense(*makeAinv(a.matrix(), {})); }},
        {std::make_unique<Iterative::FactorizedAinv>(&fsaiPattern), randomMatrix<T>(11, 2, 59, 0, true),
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
            const Dense<T> opM = op == TransOp::NoTrans ? M : M.transposed(op == TransOp::ConjTrans);
            const std::vector<T> y(out.val(), out.val() + n);
            const std::vector<Wide<T>> product = opM * (c.solves ? y : values);
            for (int i = 0; i < n; ++i)
                EXPECT_LE(kyra::abs(widen(c.solves ? values[i] : y[i]) - product[i]), 10 * tolerance<T>())
                    << "op " << op.value();
        }
    }
}

// ---------------------------------------------------------------------------
// Through the public interface.

const Setter jacobi = with(kyraSparseSetJacobiPreconditioner),
             blockJacobi = with(kyraSparseSetBlockJacobiPreconditioner),
             ilu0 = with(kyraSparseSetIlu0Preconditioner), ainv = with(kyraSparseSetAinvPreconditioner),
             fainv = with(kyraSparseSetFainvPreconditioner);

class Preconditioners : public PublicPlan {
  protected:
    // Solves A x = A 1 for a Poisson matrix A from zero and checks the true residual.
    void solvePoisson() {
        x.assign(poisson.n(), 0.0);
        b = poisson.multiply(std::vector<double>(poisson.n(), 1.0));
        ASSERT_EQ(setData(poisson, x, b), kyraSparseNoError);
        config.relativeTolerance = 1e-8;
        EXPECT_EQ(execute(), kyraSparseNoError) << lastStatus();
        EXPECT_LE(trueResidual(poisson, b, x) / norm(b), 1e-7);
    }
    const Csr<double> poisson = poisson2d(6);
    std::vector<double> x, b;
};

// A refused option leaves the plan with the preconditioner it had.
TEST_F(Preconditioners, SettersNameTheKindOrRefuseItsOptions) {
    const struct {
        Setter set;
        kyraSparseStatus status;
        std::string text;  // the plan's preconditioner text, or the refusal
    } cases[] = {
        {jacobi, kyraSparseNoError, "jacobi"},
        {with(kyraSparseSetBlockJacobiPreconditioner, kyraSparseBlockjacobiOptions{0}),
         kyraSparseArgumentError, "argument error: precondOpts.blockSize > 0"},
        {blockJacobi, kyraSparseNoError, "block jacobi (n=5)"},
        {ilu0, kyraSparseNoError, "ilu0"},
        {ainv, kyraSparseNoError, "approximate inverse"},
        {fainv, kyraSparseNoError, "factorized approximate inverse"},
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

// A set-up that fails reports its status and text, and the plan then solves
// good data with the same preconditioner. Every kind refuses matrix-free data;
// approximate inverses left without entries (none given, or every entry
// dropped because none is finite) say so.
TEST_F(Preconditioners, FailedSetUpReportsAndThePlanRecovers) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Setter dropAll = with(kyraSparseSetAinvPreconditioner, kyraSparseAinvOptions{0, 0.5});
    const std::string unsupported = "feature not implemented: ",
                      noEntries = "approximate inverse has no entries";
    const kyraSparseStatus refused = kyraSparseFeatureNotImplemented, failed = kyraSparsePreconditionerError;
    const Csr<double> matrixFree(0, {}), noDiagonal(2, {{0, 0, 1.0}, {1, 0, 1.0}}),
        oneBased(2, {{0, 0, 1.0}, {1, 1, 1.0}}, 1), empty(2, {}), notFinite(2, {{0, 1, nan}, {1, 0, nan}});
    const struct {
        Setter preconditioner;
        const Csr<double>& bad;
        kyraSparseStatus status;
        std::string text;
    } cases[] = {
        {jacobi, matrixFree, refused, unsupported + "jacobi preconditioner"},
        {blockJacobi, matrixFree, refused, unsupported + "block jacobi preconditioner"},
        {ilu0, matrixFree, refused, unsupported + "ilu0 preconditioner"},
        {ainv, matrixFree, refused, unsupported + "ainv preconditioner"},
        {fainv, matrixFree, refused, unsupported + "factorized ainv preconditioner"},
        {ilu0, noDiagonal, failed, "preconditioner error: input matrix is missing a diagonal element"},
        {ainv, oneBased, refused, unsupported + "spai preconditioning"},
        {dropAll, empty, failed, "preconditioner error: " + noEntries},
        {dropAll, notFinite, failed, "preconditioner error: " + noEntries},
        {with(kyraSparseSetFainvPreconditioner, kyraSparseFainvOptions{0, 0.5}), empty, failed,
         "preconditioner error: factorized " + noEntries},
    };
    ASSERT_EQ(kyraSparseSetGmresSolver(handle, plan, nullptr), kyraSparseNoError);
    const int n = 4;  // of the matrix-free data, whose product the failed set-up never reaches
    const auto product = [](char, const double*, double*, void*) {};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        x.assign(c.bad.n() ? c.bad.n() : n, 0.0);
        b.assign(x.size(), 1.0);
        // Arrays without entries still need addresses.
        ASSERT_EQ(!c.bad.n()    ? kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, product, nullptr,
                                                               x.data(), b.data())
                  : c.bad.nnz() ? setData(c.bad, x, b)
                                : kyraSparseSetDcsrData(handle, plan, nullptr, c.bad.n(), 0, &nan,
                                                        c.bad.rowPtr().data(), c.bad.rowPtr().data(),
                                                        x.data(), b.data()),
                  kyraSparseNoError);
        ASSERT_EQ(c.preconditioner(handle, plan), kyraSparseNoError);
        EXPECT_EQ(execute(), c.status);
        EXPECT_EQ(lastStatus(), c.text);
        solvePoisson();
    }
}

}  // namespace
