#include <gtest/gtest.h>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/ilu0.h"

namespace {

using namespace pctest;
using Iterative::HostVectorAlloc;
using Iterative::TransOp;

template <typename T>
std::shared_ptr<Matrix<T>> ilu0Of(const Csr<T>& a) {
    return pc::host::makeIlu0(a.matrix(), kyraSparseIlu0Options{});
}

// L (unit diagonal, strictly lower entries) times U (the rest) of a factor.
template <typename T>
Dense<T> productOfFactors(const Matrix<T>& factors) {
    const Dense<T> f = toDense(factors);
    const int n = f.n();
    Dense<T> L = Dense<T>::identity(n);
    Dense<T> U(n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) (j < i ? L(i, j) : U(i, j)) = f(i, j);
    }
    return L * U;
}

template <typename T>
class Ilu0Typed : public ::testing::Test {};
TYPED_TEST_SUITE(Ilu0Typed, ScalarTypes);

// L U equals A on A's pattern, and the factor keeps A's pattern and base.
TYPED_TEST(Ilu0Typed, FactorsReproduceAOnItsPattern) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const Csr<T> a = randomDominant<T>(30, 5, 29, base);
        const auto factors = ilu0Of(a);
        const auto& lu = dynamic_cast<const HostCsrMatrix<T>&>(*factors);
        EXPECT_EQ(lu.index().toInt(), base);
        EXPECT_EQ(std::vector<int>(lu.rowPtr(), lu.rowPtr() + a.n() + 1), a.rowPtr());
        EXPECT_EQ(std::vector<int>(lu.colInd(), lu.colInd() + a.nnz()), a.colInd());
        const Dense<T> A = toDense(a);
        const Dense<T> product = productOfFactors(*factors);
        for (const Entry<T>& e : a.entries()) {
            EXPECT_LE(kyra::abs(product(e.row, e.col) - A(e.row, e.col)), tolerance<T>() * A.maxAbs())
                << "entry (" << e.row << ", " << e.col << ")";
        }
    }
}

// op 0 gives (LU)^-1 in, op 1 (LU)^-T in, op 2 (LU)^-H in: checked by
// multiplying the result back with the dense product of the factors.
TYPED_TEST(Ilu0Typed, ApplySolvesWithOpOfTheFactors) {
    using T = TypeParam;
    const Csr<T> a = randomDominant<T>(12, 3, 31);
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    Iterative::Ilu0 ilu(nullptr);
    ilu.generate<T>(context, platform, a.matrix());
    const Dense<T> LU = productOfFactors(*pc::host::makeIlu0(a.matrix(), kyraSparseIlu0Options{}));
    HostVectorAlloc<T> in(a.n());
    HostVectorAlloc<T> out(a.n());
    std::mt19937 generator(5);
    for (int i = 0; i < a.n(); ++i) in(i) = randomValue<T>(generator, 1.0);
    for (TransOp op : {TransOp::NoTrans, TransOp::Trans, TransOp::ConjTrans}) {
        ilu.apply<T>(op, in, out);
        for (int i = 0; i < a.n(); ++i) {
            Wide<T> back(0);
            for (int k = 0; k < a.n(); ++k) {
                const Wide<T> m = op == TransOp::NoTrans ? LU(i, k) : LU(k, i);
                back += (op == TransOp::ConjTrans ? kyra::conj(m) : m) * widen(out(k));
            }
            EXPECT_LE(kyra::abs(back - widen(in(i))), 10 * tolerance<T>())
                << "op " << op.value() << " row " << i;
        }
    }
}

TEST(Ilu0Kernel, DiagonalMatrixFactorsToItself) {
    Csr<double> a(3, {{0, 0, 2.0}, {1, 1, -3.0}, {2, 2, 0.5}});
    pc::host::ilu0<double>(3, 3, 3, 0, a.val().data(), a.rowPtr().data(), a.colInd().data());
    EXPECT_EQ(a.val(), (std::vector<double>{2.0, -3.0, 0.5}));
}

// A failing factorisation raises status 2 with its text; run on a copy, as
// the factory does, A keeps its values.
void expectFailure(const Csr<double>& a, const std::string& text) {
    const std::vector<double> before = a.val();
    try {
        ilu0Of(a);
        ADD_FAILURE() << "no failure, expected " << text;
    } catch (const Iterative::KyraSparseException& e) {
        EXPECT_EQ(e.code(), kyraSparsePreconditionerError);
        EXPECT_EQ(e.what(), text);
    }
    EXPECT_EQ(a.val(), before);
}

TEST(Ilu0Failures, MissingDiagonalIsFoundBeforeAnyOtherFault) {
    // Row 1 would also meet a zero pivot and row 2 is unsorted, but the
    // diagonal search over all rows comes first.
    expectFailure(
        Csr<double>(4, {{0, 0, 0.0}, {1, 0, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}, {2, 1, 1.0}, {3, 2, 1.0}}),
        "input matrix is missing a diagonal element");
}

TEST(Ilu0Failures, UnsortedRowIsRefusedEvenWhenNotNeeded) {
    expectFailure(Csr<double>(3, {{0, 0, 1.0}, {0, 2, 1.0}, {0, 1, 1.0}, {1, 1, 1.0}, {2, 2, 1.0}}),
                  "input matrix must be sorted");
}

TEST(Ilu0Failures, DuplicateColumnCountsAsUnsorted) {
    expectFailure(Csr<double>(2, {{0, 0, 1.0}, {1, 1, 1.0}, {1, 1, 1.0}}), "input matrix must be sorted");
}

TEST(Ilu0Failures, ZeroPivotFailsOnlyWhenUsed) {
    expectFailure(Csr<double>(2, {{0, 0, 0.0}, {0, 1, 1.0}, {1, 0, 1.0}, {1, 1, 1.0}}),
                  "input matrix has an explicit zero on the diagonal");
    // Nobody references column 0: no pivot is used and the set-up succeeds.
    EXPECT_NO_THROW(ilu0Of(Csr<double>(2, {{0, 0, 0.0}, {0, 1, 1.0}, {1, 1, 1.0}})));
}

TEST(Ilu0Failures, ZeroPivotCreatedByEliminationIsCaught) {
    // a_11 becomes 1 - 1 * 1 = 0 and row 2 then needs it.
    expectFailure(
        Csr<double>(3, {{0, 0, 1.0}, {0, 1, 1.0}, {1, 0, 1.0}, {1, 1, 1.0}, {2, 1, 1.0}, {2, 2, 1.0}}),
        "input matrix has an explicit zero on the diagonal");
}

// A set-up that fails keeps the factors of the one before.
TEST(Ilu0Class, FailedSetUpKeepsThePreviousFactors) {
    const Csr<double> good(2, {{0, 0, 2.0}, {1, 1, 4.0}});
    const Csr<double> bad(2, {{0, 0, 2.0}, {1, 0, 1.0}});
    Iterative::Context context;
    Iterative::HostPlatform platform(context, nullptr);
    Iterative::Ilu0 ilu(nullptr);
    ilu.generate<double>(context, platform, good.matrix());
    EXPECT_THROW(ilu.generate<double>(context, platform, bad.matrix()), Iterative::KyraSparseException);
    EXPECT_TRUE(ilu.isInit());
    HostVectorAlloc<double> in(2);
    HostVectorAlloc<double> out(2);
    in.fill_(4.0);
    ilu.apply<double>(TransOp::NoTrans, in, out);
    EXPECT_DOUBLE_EQ(out(0), 2.0);
    EXPECT_DOUBLE_EQ(out(1), 1.0);
}

TEST(Ilu0Class, NameAndDefaults) {
    Iterative::Ilu0 ilu(nullptr);
    EXPECT_EQ(ilu.name(), "ilu0");
    EXPECT_NO_THROW(ilu.parameterCheck());
}

// ---------------------------------------------------------------------------
// Through the public interface.

using Ilu0Solve = PlanFixture;

Setter ilu0Setter() {
    return
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetIlu0Preconditioner(h, p, nullptr); };
}

TEST_F(Ilu0Solve, ReducesBicgstabIterations) {
    const SolveSystem s = convectionDiffusion(40, 0.5);
    setSystem(s);
    const auto [plain, preconditioned] = iterationsWithoutAndWith(bicgstab(), ilu0Setter());
    EXPECT_LT(preconditioned, plain / 2);
}

TEST_F(Ilu0Solve, ReducesGmresIterations) {
    const SolveSystem s = convectionDiffusion(40, 0.5);
    setSystem(s);
    const auto [plain, preconditioned] = iterationsWithoutAndWith(gmres(), ilu0Setter());
    EXPECT_LT(preconditioned, plain / 2);
}

TEST_F(Ilu0Solve, FailedSetUpReportsAndThePlanRecovers) {
    SolveSystem bad;
    bad.add(0, 1.0);
    bad.endRow();
    bad.add(0, 1.0);  // row 1 has no diagonal entry
    bad.endRow();
    setSystem(bad);
    ASSERT_EQ(kyraSparseSetBicgstabSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetIlu0Preconditioner(handle, plan, nullptr), kyraSparseNoError);
    kyraSparseResult result{};
    EXPECT_EQ(kyraSparseExecutePlan(handle, plan, &config, &result), kyraSparsePreconditionerError);
    EXPECT_EQ(lastStatus(), "preconditioner error: input matrix is missing a diagonal element");

    const SolveSystem good = convectionDiffusion(8, 1.0);
    setSystem(good);
    solve();
}

TEST_F(Ilu0Solve, MatrixFreeDataIsRefusedAndThePlanRecovers) {
    expectMatrixFreeRefusal(cg(), ilu0Setter(), "ilu0 preconditioner");
}

}  // namespace
