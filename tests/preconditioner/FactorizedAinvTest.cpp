#include <gtest/gtest.h>
#include <omp.h>

#include "PreconditionerTestSupport.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/power_pattern.h"

namespace {

using namespace pctest;

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
    const Dense<T> A = a.dense();
    for (int option : {0, 1, 2}) {
        const auto Zp = fsaiOf(a, option);
        const auto& z = dynamic_cast<const HostCsrMatrix<T>&>(*Zp);
        const auto pattern = pc::host::GetUpperPowerPattern(pc::host::patternPower(option), a.n(), a.nnz(),
                                                            a.rowPtr().data(), a.colInd().data());
        EXPECT_EQ(z.index().toInt(), 0);
        EXPECT_EQ(std::vector<int>(z.rowPtr(), z.rowPtr() + a.n() + 1), *pattern.rowPtr);
        EXPECT_EQ(std::vector<int>(z.colInd(), z.colInd() + z.nnz()), *pattern.colInd);
        const Dense<T> Z = toDense(*Zp);
        const Dense<T> ZA = Z * A;
        const Dense<T> ZAZh = ZA * Z.transposed();
        for (int i = 0; i < a.n(); ++i) {
            ASSERT_EQ(z.colInd()[z.rowPtr()[i]], i);
            EXPECT_LE(kyra::abs(ZAZh(i, i) - Wide<T>(1)), tolerance<T>())
                << "option " << option << " row " << i;
            for (int p = z.rowPtr()[i] + 1; p < z.rowPtr()[i + 1]; ++p)
                EXPECT_LE(kyra::abs(ZA(i, z.colInd()[p])), tolerance<T>() * A.maxAbs())
                    << "option " << option << " entry (" << i << ", " << z.colInd()[p] << ")";
        }
    }
}

TEST(FactorizedAinvKernel, DropToleranceKeepsTheDiagonal) {
    const Csr<double> a = randomHermitianDefinite<double>(30, 3, 61);
    const Dense<double> full = toDense(*fsaiOf(a, 1));
    const Dense<double> dropped = toDense(*fsaiOf(a, 1, 0.05));
    for (int i = 0; i < a.n(); ++i)
        for (int j = 0; j < a.n(); ++j)
            EXPECT_EQ(dropped(i, j), i == j || std::abs(full(i, j)) >= 0.05 ? full(i, j) : 0.0)
                << i << ", " << j;
}

// The texts of the failures, from any thread's share of the rows: a
// negative diagonal with upper entries, an indefinite subsystem (row 0 needs
// A({1, 2}, {1, 2}) = [[1, 2], [2, 1]]), a missing diagonal, one-based data,
// and a last row with a negative diagonal after five good ones.
TEST(FactorizedAinvKernel, FailuresAndTheirTexts) {
    const std::string notDefinite = "2: the input matrix is not positive definite";
    std::vector<Entry<double>> lastRows;
    for (int i = 0; i < 5; ++i) lastRows.push_back({i, i, 2.0});
    lastRows.insert(lastRows.end(), {{5, 5, -2.0}, {5, 6, 0.5}, {6, 5, 0.5}, {6, 6, 2.0}});
    const struct {
        Csr<double> a;
        std::string text;
    } cases[] = {
        {Csr<double>(2, {{0, 0, -1.0}, {0, 1, 0.5}, {1, 0, 0.5}, {1, 1, 2.0}}), notDefinite},
        {Csr<double>(3, {{0, 0, 5.0},
                         {0, 1, 1.0},
                         {0, 2, 1.0},
                         {1, 0, 1.0},
                         {1, 1, 1.0},
                         {1, 2, 2.0},
                         {2, 0, 1.0},
                         {2, 1, 2.0},
                         {2, 2, 1.0}}),
         notDefinite},
        {Csr<double>(3, {{0, 0, 2.0}, {1, 0, 1.0}, {1, 2, 1.0}, {2, 2, 2.0}}),
         "2: input matrix is missing diagonal"},
        {tridiagonal<double>(4, 1), "6: factorized spai preconditioning"},
        {Csr<double>(7, lastRows), notDefinite},
    };
    const int saved = omp_get_max_threads();
    omp_set_num_threads(2);
    for (const auto& c : cases) EXPECT_EQ(failureOf([&] { fsaiOf(c.a, 0); }), c.text);
    omp_set_num_threads(saved);
}

// The rows are split over the thread team; the result must not depend on
// the split.
TEST(FactorizedAinvKernel, ResultDoesNotDependOnTheThreadCount) {
    const Csr<kyra::Complex<float>> a = randomHermitianDefinite<kyra::Complex<float>>(41, 3, 71);
    const int saved = omp_get_max_threads();
    omp_set_num_threads(1);
    const Dense<kyra::Complex<float>> one = toDense(*fsaiOf(a, 2));
    omp_set_num_threads(2);
    const Dense<kyra::Complex<float>> two = toDense(*fsaiOf(a, 2));
    omp_set_num_threads(saved);
    EXPECT_TRUE(one == two);
}

}  // namespace
