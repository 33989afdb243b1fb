#include <gtest/gtest.h>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/Ilu0.h"
#include "preconditioner/host/factories.h"

namespace {

using namespace pctest;

template <typename T>
std::shared_ptr<Matrix<T>> ilu0Of(const Csr<T>& a) {
    return pc::host::makeIlu0(a.matrix(), kyraSparseIlu0Options{});
}

template <typename T>
class Ilu0Typed : public ::testing::Test {};
TYPED_TEST_SUITE(Ilu0Typed, ScalarTypes);

// L U equals A on A's pattern (L unit lower, U upper, both read from the
// factor), and the factor keeps A's pattern and base.
TYPED_TEST(Ilu0Typed, FactorsReproduceAOnItsPattern) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const Csr<T> a = randomDominant<T>(30, 5, 29, base);
        const auto factors = ilu0Of(a);
        const auto& lu = dynamic_cast<const HostCsrMatrix<T>&>(*factors);
        EXPECT_EQ(lu.index().toInt(), base);
        EXPECT_EQ(std::vector<int>(lu.rowPtr(), lu.rowPtr() + a.n() + 1), a.rowPtr());
        EXPECT_EQ(std::vector<int>(lu.colInd(), lu.colInd() + a.nnz()), a.colInd());
        const Dense<T> A = a.dense(), product = productOfFactors(toDense(*factors));
        for (const Entry<T>& e : a.entries())
            EXPECT_LE(kyra::abs(product(e.row, e.col) - A(e.row, e.col)), tolerance<T>() * A.maxAbs())
                << "entry (" << e.row << ", " << e.col << ")";
    }
}

// A failing factorisation raises status 2 with its text, and, run on a copy
// as the factory does, leaves A's values as they were. The diagonal search
// over all rows comes before any other check; unsorted rows (a duplicate
// column counts as one) are refused even where not needed; a zero pivot
// fails only when used, also one that elimination creates (a_11 = 1 - 1).
TEST(Ilu0Failures, TextsInTheirOrder) {
    const std::string missing = "2: input matrix is missing a diagonal element",
                      unsorted = "2: input matrix must be sorted",
                      zeroPivot = "2: input matrix has an explicit zero on the diagonal";
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
    };
    for (const auto& c : cases) {
        const std::vector<double> before = c.a.val();
        EXPECT_EQ(failureOf([&] { ilu0Of(c.a); }), c.text);
        EXPECT_EQ(c.a.val(), before);
    }
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
    Iterative::HostVectorAlloc<double> in(2), out(2);
    in.fill_(4.0);
    ilu.apply<double>(Iterative::TransOp::NoTrans, in, out);
    EXPECT_DOUBLE_EQ(out(0), 2.0);
    EXPECT_DOUBLE_EQ(out(1), 1.0);
}

}  // namespace
