// Whole solves on the host platform through the public interface: every
// sparse format and both index bases, with and without reordering, give the
// known solution of the caller's own (nonsymmetric) system in the caller's
// x, leave b and the matrix arrays untouched, and a second execution of the
// same plan does too. Bad index arrays end the execution with status 4 and
// the named array.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "common/TestMatrices.h"
#include "kyraSparse.h"

namespace {

using Iterative::kCooStorage;
using Iterative::kCscStorage;
using Iterative::kCsrStorage;

class HostSolve : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetBicgstabSolver(handle, plan, nullptr));
        config.relativeTolerance = 1e-12;
    }

    // The public setter of the arrays' format.
    kyraSparseStatus setArrays(const CallerArrays<double>& c, std::vector<double>& x,
                               const std::vector<double>& b) {
        if (c.storage == kCooStorage) {
            const kyraSparseCooOptions opts{c.base};
            return kyraSparseSetDcooData(handle, plan, &opts, c.n, c.nnz(), c.values.data(), c.first.data(),
                                         c.second.data(), x.data(), b.data());
        }
        if (c.storage == kCscStorage) {
            const kyraSparseCscOptions opts{c.base};
            return kyraSparseSetDcscData(handle, plan, &opts, c.n, c.nnz(), c.values.data(), c.second.data(),
                                         c.first.data(), x.data(), b.data());
        }
        const kyraSparseCsrOptions opts{c.base};
        return kyraSparseSetDcsrData(handle, plan, &opts, c.n, c.nnz(), c.values.data(), c.first.data(),
                                     c.second.data(), x.data(), b.data());
    }

    // Executes twice; the caller's x must hold x* both times.
    void expectSolvedTwice(std::vector<double>& x) {
        for (int run = 0; run < 2; ++run) {
            std::fill(x.begin(), x.end(), 0.0);
            ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
            EXPECT_EQ(kyraSparseRelativeToleranceReached, result.flag);
            EXPECT_GT(result.iterations, 5);
            double error = 0.0;
            for (int i = 0; i < n; ++i) error = std::max(error, std::abs(x[i] - solution[i]));
            EXPECT_LT(error, 1e-9) << "run " << run;
        }
    }

    const int n = 144;
    const std::vector<Entry<double>> entries = scrambledGrid<double>(12);
    const std::vector<double> solution = smoothSolution<double>(n);
    const std::vector<double> rhs = rightHandSide(Csr<double>(n, entries), solution);
};

TEST_F(HostSolve, EveryFormatAndOrderingSolvesTheCallersSystem) {
    for (kyraSparseReordering reordering :
         {kyraSparseNoReordering, kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        kyraSparseHostOptions opts;
        ASSERT_EQ(kyraSparseNoError, kyraSparseHostOptionsInit(handle, &opts));
        opts.reordering = reordering;
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetHostPlatform(handle, plan, &opts));
        for (int base : {0, 1}) {
            for (int storage : {kCooStorage, kCscStorage, kCsrStorage}) {
                // A one-based CSR matrix is used in place, which the orderings refuse.
                if (storage == kCsrStorage && base == 1 && reordering != kyraSparseNoReordering) continue;
                SCOPED_TRACE(::testing::Message()
                             << "reordering " << reordering << " base " << base << " storage " << storage);
                const std::vector<double> b = rhs;
                std::vector<double> x(n);
                const CallerArrays<double> arrays(storage, entries, n, base);
                ASSERT_EQ(kyraSparseNoError, setArrays(arrays, x, b));
                expectSolvedTwice(x);

                // The caller's arrays are as they were given.
                const CallerArrays<double> given(storage, entries, n, base);
                EXPECT_EQ(arrays.first, given.first);
                EXPECT_EQ(arrays.second, given.second);
                EXPECT_EQ(arrays.values, given.values);
                EXPECT_EQ(b, rhs);
            }
        }
    }
}

TEST_F(HostSolve, BadIndicesEndTheExecutionWithAFormatError) {
    CallerArrays<double> arrays(kCooStorage, scrambledGrid<double>(4), 16, 0);
    arrays.second[17] = 1000;
    std::vector<double> x(16, 0.0), b(16, 1.0);
    ASSERT_EQ(kyraSparseNoError, setArrays(arrays, x, b));
    EXPECT_EQ(kyraSparseDataFormatError, execute());
    EXPECT_EQ("error: colInd[17] = 1000 is out of range for n = 16", lastStatus());
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
