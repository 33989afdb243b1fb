// Whole solves on the host platform through the public interface: every
// sparse format and both index bases, with and without reordering, give the
// known solution of the caller's own system in the caller's x, leave b and
// the matrix arrays untouched, and a second execution of the same plan does
// too. Bad index arrays end the execution with status 4 and the named array.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "kyraSparse.h"

namespace {

// A symmetric positive definite grid Laplacian with a shifted diagonal, as
// triplets in a scrambled order, with b = A x* for a known x*.
struct Problem {
    int n = 0;
    std::vector<int> row, col;
    std::vector<double> val;
    std::vector<double> solution, rhs;

    explicit Problem(int side) : n(side * side) {
        for (int i = side - 1; i >= 0; --i) {
            for (int j = 0; j < side; ++j) {
                const int r = i * side + j;
                if (j + 1 < side) add(r, r + 1, -1.0);
                add(r, r, 4.5);
                if (i > 0) add(r, r - side, -1.0);
                if (j > 0) add(r, r - 1, -1.0);
                if (i + 1 < side) add(r, r + side, -1.0);
            }
        }
        for (int i = 0; i < n; ++i) solution.push_back(std::sin(0.37 * i) + 0.5);
        rhs.assign(n, 0.0);
        for (std::size_t k = 0; k < val.size(); ++k) rhs[row[k]] += val[k] * solution[col[k]];
    }
    void add(int r, int c, double v) {
        row.push_back(r);
        col.push_back(c);
        val.push_back(v);
    }
    int nnz() const { return static_cast<int>(val.size()); }

    // Compressed arrays by row (CSR) or by column (CSC), in the given base.
    void compress(bool byRow, int base, std::vector<int>& pointers, std::vector<int>& indices,
                  std::vector<double>& values) const {
        const std::vector<int>& major = byRow ? row : col;
        const std::vector<int>& minor = byRow ? col : row;
        pointers.assign(n + 1, 0);
        for (int m : major) ++pointers[m + 1];
        for (int i = 0; i < n; ++i) pointers[i + 1] += pointers[i];
        std::vector<int> next(pointers.begin(), pointers.end() - 1);
        indices.assign(nnz(), 0);
        values.assign(nnz(), 0.0);
        for (int k = 0; k < nnz(); ++k) {
            const int position = next[major[k]]++;
            indices[position] = minor[k] + base;
            values[position] = val[k];
        }
        for (int& p : pointers) p += base;
    }
};

class HostSolve : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(kyraSparseNoError, kyraSparseCreate(&handle));
        ASSERT_EQ(kyraSparseNoError, kyraSparseCreatePlan(handle, &plan));
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetCgSolver(handle, plan, nullptr));
        kyraSparseConfigInit(handle, &config);
        config.relativeTolerance = 1e-12;
    }
    void TearDown() override {
        kyraSparseDestroyPlan(plan);
        kyraSparseDestroy(handle);
    }

    std::string lastStatus() {
        char text[512] = {};
        kyraSparseGetLastStatusString(handle, text, sizeof text);
        return text;
    }

    void usePlatform(kyraSparseReordering reordering) {
        kyraSparseHostOptions opts;
        kyraSparseHostOptionsInit(handle, &opts);
        opts.reordering = reordering;
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetHostPlatform(handle, plan, &opts));
    }

    // Executes twice; the caller's x must hold x* both times.
    void expectSolvedTwice(const Problem& p, std::vector<double>& x) {
        for (int run = 0; run < 2; ++run) {
            kyraSparseResult result;
            ASSERT_EQ(kyraSparseNoError, kyraSparseExecutePlan(handle, plan, &config, &result))
                << lastStatus();
            EXPECT_EQ(kyraSparseRelativeToleranceReached, result.flag);
            EXPECT_GT(result.iterations, 5);
            double error = 0.0;
            for (int i = 0; i < p.n; ++i) error = std::max(error, std::abs(x[i] - p.solution[i]));
            EXPECT_LT(error, 1e-9) << "run " << run;
        }
    }

    kyraSparseHandle handle = nullptr;
    kyraSparsePlan plan = nullptr;
    kyraSparseConfig config{};
};

TEST_F(HostSolve, EveryFormatAndOrderingSolvesTheCallersSystem) {
    const Problem p(12);
    for (kyraSparseReordering reordering :
         {kyraSparseNoReordering, kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        usePlatform(reordering);
        for (int base : {0, 1}) {
            SCOPED_TRACE(::testing::Message() << "reordering " << reordering << " base " << base);
            const std::vector<double> b = p.rhs;
            std::vector<double> x(p.n, 0.0);

            std::vector<int> rows(p.row), cols(p.col);
            for (int k = 0; k < p.nnz(); ++k) {
                rows[k] += base;
                cols[k] += base;
            }
            const std::vector<int> rowsBefore = rows, colsBefore = cols;
            const kyraSparseCooOptions cooOpts{base};
            ASSERT_EQ(kyraSparseNoError,
                      kyraSparseSetDcooData(handle, plan, &cooOpts, p.n, p.nnz(), p.val.data(), rows.data(),
                                            cols.data(), x.data(), b.data()));
            expectSolvedTwice(p, x);
            EXPECT_EQ(rowsBefore, rows);
            EXPECT_EQ(colsBefore, cols);

            std::vector<int> colPtr, rowInd;
            std::vector<double> cscValues;
            p.compress(false, base, colPtr, rowInd, cscValues);
            std::fill(x.begin(), x.end(), 0.0);
            const kyraSparseCscOptions cscOpts{base};
            ASSERT_EQ(kyraSparseNoError,
                      kyraSparseSetDcscData(handle, plan, &cscOpts, p.n, p.nnz(), cscValues.data(),
                                            rowInd.data(), colPtr.data(), x.data(), b.data()));
            expectSolvedTwice(p, x);

            // A one-based CSR matrix is used in place, which the orderings refuse.
            if (base == 1 && reordering != kyraSparseNoReordering) continue;
            std::vector<int> rowPtr, colInd;
            std::vector<double> csrValues;
            p.compress(true, base, rowPtr, colInd, csrValues);
            std::fill(x.begin(), x.end(), 0.0);
            const kyraSparseCsrOptions csrOpts{base};
            ASSERT_EQ(kyraSparseNoError,
                      kyraSparseSetDcsrData(handle, plan, &csrOpts, p.n, p.nnz(), csrValues.data(),
                                            rowPtr.data(), colInd.data(), x.data(), b.data()));
            expectSolvedTwice(p, x);
            EXPECT_TRUE(b == p.rhs);
        }
    }
}

TEST_F(HostSolve, BadIndicesEndTheExecutionWithAFormatError) {
    const Problem p(4);
    std::vector<int> rows(p.row), cols(p.col);
    cols[17] = 1000;
    std::vector<double> x(p.n, 0.0);
    ASSERT_EQ(kyraSparseNoError, kyraSparseSetDcooData(handle, plan, nullptr, p.n, p.nnz(), p.val.data(),
                                                       rows.data(), cols.data(), x.data(), p.rhs.data()));
    kyraSparseResult result;
    EXPECT_EQ(kyraSparseDataFormatError, kyraSparseExecutePlan(handle, plan, &config, &result));
    EXPECT_EQ("error: colInd[17] = 1000 is out of range for n = 16", lastStatus());
    EXPECT_TRUE(std::all_of(x.begin(), x.end(), [](double v) { return v == 0.0; }));
}

}  // namespace
