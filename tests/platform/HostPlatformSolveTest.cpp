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

class HostSolve : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetBicgstabSolver(handle, plan, nullptr));
        config.relativeTolerance = 1e-12;
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
            SCOPED_TRACE(::testing::Message() << "reordering " << reordering << " base " << base);
            const std::vector<double> b = rhs;
            std::vector<double> x(n);

            std::vector<int> rows, cols;
            std::vector<double> values;
            for (const Entry<double>& e : entries) {
                rows.push_back(e.row + base);
                cols.push_back(e.col + base);
                values.push_back(e.value);
            }
            const kyraSparseCooOptions cooOpts{base};
            ASSERT_EQ(kyraSparseNoError,
                      kyraSparseSetDcooData(handle, plan, &cooOpts, n, rows.size(), values.data(),
                                            rows.data(), cols.data(), x.data(), b.data()));
            expectSolvedTwice(x);

            const Csr<double> csc(n, transposed(entries), base);
            const kyraSparseCscOptions cscOpts{base};
            ASSERT_EQ(kyraSparseNoError,
                      kyraSparseSetDcscData(handle, plan, &cscOpts, n, csc.nnz(), csc.val().data(),
                                            csc.colInd().data(), csc.rowPtr().data(), x.data(), b.data()));
            expectSolvedTwice(x);

            // A one-based CSR matrix is used in place, which the orderings refuse.
            const Csr<double> csr(n, entries, base);
            if (base == 0 || reordering == kyraSparseNoReordering) {
                ASSERT_EQ(kyraSparseNoError, setData(csr, x, b));
                expectSolvedTwice(x);
            }

            // The caller's arrays are as they were given.
            for (std::size_t k = 0; k < entries.size(); ++k) {
                EXPECT_EQ(rows[k], entries[k].row + base);
                EXPECT_EQ(cols[k], entries[k].col + base);
                EXPECT_EQ(values[k], entries[k].value);
            }
            EXPECT_EQ(b, rhs);
        }
    }
}

TEST_F(HostSolve, BadIndicesEndTheExecutionWithAFormatError) {
    const std::vector<Entry<double>> grid = scrambledGrid<double>(4);
    std::vector<int> rows, cols;
    std::vector<double> values;
    for (const Entry<double>& e : grid) {
        rows.push_back(e.row);
        cols.push_back(e.col);
        values.push_back(e.value);
    }
    cols[17] = 1000;
    std::vector<double> x(16, 0.0), b(16, 1.0);
    ASSERT_EQ(kyraSparseNoError,
              kyraSparseSetDcooData(handle, plan, nullptr, 16, values.size(), values.data(), rows.data(),
                                    cols.data(), x.data(), b.data()));
    EXPECT_EQ(kyraSparseDataFormatError, execute());
    EXPECT_EQ("error: colInd[17] = 1000 is out of range for n = 16", lastStatus());
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
