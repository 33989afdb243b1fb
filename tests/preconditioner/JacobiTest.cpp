#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PreconditionerTestSupport.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/jacobi.h"

namespace {

using namespace pctest;

template <typename T>
class JacobiTyped : public ::testing::Test {};
TYPED_TEST_SUITE(JacobiTyped, ScalarTypes);

// D^-1 computed here from the dense matrix, entry by entry, in the layout
// and index base of A.
TYPED_TEST(JacobiTyped, FactoryGivesInverseDiagonal) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const Csr<T> a = randomDominant<T>(23, 4, 11, base);
        const Dense<T> A = a.dense();
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

// The kernel's identity-row rule: a missing or explicitly zero diagonal
// gives 1 (NaN is not zero), and of duplicate diagonal entries the last
// nonzero one counts.
TEST(JacobiKernel, IdentityRowsAndDuplicates) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Csr<double> a(6, {{0, 0, 4.0},
                            {1, 1, 0.0},
                            {1, 0, 3.0},
                            {2, 2, nan},
                            {3, 2, 7.0},
                            {4, 4, -0.5},
                            {5, 5, 2.0},
                            {5, 5, 8.0},
                            {5, 5, 0.0}});
    std::vector<double> d(6);
    std::vector<int> rowPtr(7), colInd(6);
    pc::host::jacobi<double>(6, 6, a.nnz(), 0, a.val().data(), a.rowPtr().data(), a.colInd().data(), d.data(),
                             rowPtr.data(), colInd.data());
    EXPECT_DOUBLE_EQ(d[0], 0.25);
    EXPECT_DOUBLE_EQ(d[1], 1.0);
    EXPECT_TRUE(std::isnan(d[2]));
    EXPECT_DOUBLE_EQ(d[3], 1.0);
    EXPECT_DOUBLE_EQ(d[4], -2.0);
    EXPECT_DOUBLE_EQ(d[5], 0.125);
}

}  // namespace
