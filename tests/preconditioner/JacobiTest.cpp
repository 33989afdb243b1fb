#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "preconditioner/Jacobi.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/jacobi.h"

namespace {

using namespace pctest;
using Iterative::HostVectorAlloc;
using Iterative::TransOp;

template <typename T>
class JacobiTyped : public ::testing::Test {};
TYPED_TEST_SUITE(JacobiTyped, ScalarTypes);

// D^-1 computed here from the dense matrix, entry by entry.
TYPED_TEST(JacobiTyped, FactoryGivesInverseDiagonal) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const Csr<T> a = randomDominant<T>(23, 4, 11, base);
        const Dense<T> A = toDense(a);
        const auto D = pc::host::makeJacobi(a.matrix(), kyraSparseJacobiOptions{});
        const auto& d = dynamic_cast<const HostCsrMatrix<T>&>(*D);
        ASSERT_EQ(d.nnz(), a.n());
        EXPECT_EQ(d.index().toInt(), base);
        Dense<T> expected(a.n());
        for (int i = 0; i < a.n(); ++i) {
            expected(i, i) = Wide<T>(1) / A(i, i);
            EXPECT_EQ(d.rowPtr()[i], i + base);
            EXPECT_EQ(d.colInd()[i], i + base);
        }
        EXPECT_EQ(d.rowPtr()[a.n()], a.n() + base);
        EXPECT_LE(toDense(*D).maxDifference(expected), tolerance<T>() * expected.maxAbs());
    }
}

// The class applies op(D^-1); for complex data the conjugate transpose
// uses the conjugated reciprocals.
TYPED_TEST(JacobiTyped, ApplyMultipliesByOpOfInverseDiagonal) {
    using T = TypeParam;
    const Csr<T> a = randomDominant<T>(9, 3, 5);
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    Iterative::Jacobi jacobi(nullptr);
    jacobi.generate<T>(context, platform, a.matrix());
    HostVectorAlloc<T> in(a.n());
    HostVectorAlloc<T> out(a.n());
    std::mt19937 generator(3);
    for (int i = 0; i < a.n(); ++i) in(i) = randomValue<T>(generator, 1.0);
    const Dense<T> A = toDense(a);
    for (TransOp op : {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans}) {
        jacobi.apply<T>(op, in, out);
        for (int i = 0; i < a.n(); ++i) {
            Wide<T> d = Wide<T>(1) / A(i, i);
            if (op == TransOp::ConjTrans) d = kyra::conj(d);
            EXPECT_LE(kyra::abs(widen(out(i)) - d * widen(in(i))), tolerance<T>()) << "op " << op.value();
        }
    }
}

// Runs the kernel on a small one-row-per-case matrix.
std::vector<double> inverseDiagonalOf(const Csr<double>& a) {
    std::vector<double> val(a.n());
    std::vector<int> rowPtr(a.n() + 1);
    std::vector<int> colInd(a.n());
    pc::host::jacobi<double>(a.n(), a.n(), a.nnz(), a.base(), a.val().data(), a.rowPtr().data(),
                             a.colInd().data(), val.data(), rowPtr.data(), colInd.data());
    return val;
}

TEST(JacobiKernel, MissingOrZeroDiagonalGivesIdentityRow) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Csr<double> a(5, {{0, 0, 4.0},
                            {1, 1, 0.0},  // explicit zero
                            {1, 0, 3.0},
                            {2, 2, nan},  // NaN is not zero
                            {3, 2, 7.0},  // row 3 has no diagonal
                            {4, 4, -0.5}});
    const std::vector<double> d = inverseDiagonalOf(a);
    EXPECT_DOUBLE_EQ(d[0], 0.25);
    EXPECT_DOUBLE_EQ(d[1], 1.0);
    EXPECT_TRUE(std::isnan(d[2]));
    EXPECT_DOUBLE_EQ(d[3], 1.0);
    EXPECT_DOUBLE_EQ(d[4], -2.0);
}

TEST(JacobiKernel, LastNonZeroDuplicateWins) {
    const Csr<double> a(2, {{0, 0, 2.0}, {0, 0, 4.0}, {0, 0, 0.0}, {1, 1, 1.0}});
    EXPECT_DOUBLE_EQ(inverseDiagonalOf(a)[0], 0.25);
}

TEST(JacobiKernel, OneBasedInputGivesOneBasedOutput) {
    const Csr<double> a = tridiagonal<double>(4, 1);
    std::vector<double> val(4);
    std::vector<int> rowPtr(5);
    std::vector<int> colInd(4);
    pc::host::jacobi<double>(4, 4, a.nnz(), 1, a.val().data(), a.rowPtr().data(), a.colInd().data(),
                             val.data(), rowPtr.data(), colInd.data());
    EXPECT_EQ(rowPtr, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(colInd, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_DOUBLE_EQ(val[1], 1.0 / 3.0);
}

TEST(JacobiKernel, ComplexReciprocal) {
    using C = kyra::Complex<double>;
    const Csr<C> a(1, {{0, 0, C(0.0, 2.0)}});
    C val;
    int rowPtr[2];
    int colInd[1];
    pc::host::jacobi<C>(1, 1, 1, 0, a.val().data(), a.rowPtr().data(), a.colInd().data(), &val, rowPtr,
                        colInd);
    EXPECT_EQ(val.re, 0.0);
    EXPECT_EQ(val.im, -0.5);
}

TEST(JacobiClass, NameAndDefaults) {
    Iterative::Jacobi jacobi(nullptr);
    EXPECT_EQ(jacobi.name(), "jacobi");
    EXPECT_NO_THROW(jacobi.parameterCheck());
    EXPECT_FALSE(jacobi.isInit());
}

// ---------------------------------------------------------------------------
// Through the public interface.

using JacobiSolve = PlanFixture;

TEST_F(JacobiSolve, ReducesConjugateGradientIterations) {
    const SolveSystem s = scaledPoisson(24);
    setSystem(s);
    const auto [plain, preconditioned] =
        iterationsWithoutAndWith(cg(), [](kyraSparseHandle h, kyraSparsePlan p) {
            return kyraSparseSetJacobiPreconditioner(h, p, nullptr);
        });
    EXPECT_LT(preconditioned, plain / 2);
}

// The second execution reuses the set-up; new data set it up again.
TEST_F(JacobiSolve, SetsUpOncePerData) {
    const SolveSystem s = scaledPoisson(200);
    setSystem(s);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetJacobiPreconditioner(handle, plan, nullptr), kyraSparseNoError);
    config.maxIterations = 1;
    config.relativeTolerance = 1e-1;
    kyraSparseResult first{};
    kyraSparseResult second{};
    kyraSparseResult third{};
    kyraSparseExecutePlan(handle, plan, &config, &first);
    kyraSparseExecutePlan(handle, plan, &config, &second);
    setSystem(s);
    kyraSparseExecutePlan(handle, plan, &config, &third);
    EXPECT_GT(first.preconditionerTime, 0.0);
    EXPECT_LT(second.preconditionerTime, 1e-5);
    EXPECT_GT(third.preconditionerTime, 0.0);
}

TEST_F(JacobiSolve, MatrixFreeDataIsRefusedAndThePlanRecovers) {
    expectMatrixFreeRefusal(
        cg(),
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetJacobiPreconditioner(h, p, nullptr); },
        "jacobi preconditioner");
}

}  // namespace
