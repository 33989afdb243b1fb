#include <gtest/gtest.h>
#include <omp.h>

#include <algorithm>
#include <cmath>
#include <utility>

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

// Entry (i, j) of L U for the factor in CSR form (L unit lower, U upper,
// both on the factor's zero-based pattern).
double luEntry(const HostCsrMatrix<double>& lu, int i, int j) {
    auto at = [&](int row, int col) {
        for (int p = lu.rowPtr()[row]; p < lu.rowPtr()[row + 1]; ++p)
            if (lu.colInd()[p] == col) return lu.val()[p];
        return 0.0;
    };
    double sum = i <= j ? at(i, j) : 0.0;
    for (int p = lu.rowPtr()[i]; p < lu.rowPtr()[i + 1]; ++p) {
        const int k = lu.colInd()[p];
        if (k < i && k <= j) sum += lu.val()[p] * at(k, j);
    }
    return sum;
}

// A matrix of many thousand rows is factored while its values are still
// being copied into the factor; with one thread or two, L U equals A on
// A's pattern, and an unsorted row late in the matrix is still found.
TEST(Ilu0Large, FactorsWhileCopyingWithOneOrTwoThreads) {
    const CsrSystem s = poisson2d(110);
    std::vector<Entry<double>> entries;
    for (int i = 0; i < s.n; ++i)
        for (int p = s.rowPtr[i]; p < s.rowPtr[i + 1]; ++p) entries.push_back({i, s.colInd[p], s.values[p]});
    const Csr<double> a(s.n, entries);
    Csr<double> unsorted(s.n, entries);
    const int lateRow = s.n - 100;
    std::swap(const_cast<int*>(unsorted.matrix().colInd())[unsorted.begin(lateRow)],
              const_cast<int*>(unsorted.matrix().colInd())[unsorted.begin(lateRow) + 1]);
    const int saved = omp_get_max_threads();
    for (int threads : {1, 2}) {
        omp_set_num_threads(threads);
        const auto factors = ilu0Of(a);
        const auto& lu = dynamic_cast<const HostCsrMatrix<double>&>(*factors);
        double worst = 0.0;
        for (const Entry<double>& e : a.entries())
            worst = std::max(worst, std::abs(luEntry(lu, e.row, e.col) - e.value));
        EXPECT_LE(worst, 1e-12) << threads << " threads";
        EXPECT_EQ(failureOf([&] { ilu0Of(unsorted); }), "2: input matrix must be sorted");
    }
    omp_set_num_threads(saved);
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
