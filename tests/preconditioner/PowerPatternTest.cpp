// The patterns of A^p against boolean dense matrix powers, on patterns with
// duplicate entries (the conversions keep them). Many duplicates cost their
// count only: walking every path would take 400^4 steps per row.

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "preconditioner/host/power_pattern.h"

namespace {

using Rows = std::vector<std::vector<int>>;

// The sorted columns of each row of the boolean power A^p, of its upper
// triangle only when asked.
Rows densePower(const Rows& a, int p, bool upper) {
    const int n = static_cast<int>(a.size());
    std::vector<std::vector<char>> reach(n, std::vector<char>(n, 0));
    for (int r = 0; r < n; ++r) reach[r][r] = 1;
    for (int step = 0; step < p; ++step) {
        std::vector<std::vector<char>> next(n, std::vector<char>(n, 0));
        for (int r = 0; r < n; ++r)
            for (int k = 0; k < n; ++k)
                if (reach[r][k])
                    for (int c : a[k]) next[r][c] = 1;
        reach.swap(next);
    }
    Rows rows(n);
    for (int r = 0; r < n; ++r)
        for (int c = upper ? r : 0; c < n; ++c)
            if (reach[r][c]) rows[r].push_back(c);
    return rows;
}

Rows rowsOf(const pc::host::CsrPattern& pattern) {
    Rows rows(pattern.rows());
    for (int r = 0; r < pattern.rows(); ++r)
        rows[r].assign(pattern.colInd->begin() + (*pattern.rowPtr)[r],
                       pattern.colInd->begin() + (*pattern.rowPtr)[r + 1]);
    return rows;
}

TEST(PowerPatternTest, PatternsWithDuplicatesMatchDensePowers) {
    std::mt19937 rng(17);
    Rows random(15), duplicates(2);
    for (auto& row : random)
        for (int k = rng() % 6; k > 0; --k) row.insert(row.end(), 2, static_cast<int>(rng() % 15));
    for (auto& row : duplicates)
        for (int k = 0; k < 400; ++k) row.push_back(k % 2);
    for (const Rows& a : {random, duplicates}) {
        std::vector<int> rowPtr{0}, colInd;
        for (const auto& row : a) {
            colInd.insert(colInd.end(), row.begin(), row.end());
            rowPtr.push_back(static_cast<int>(colInd.size()));
        }
        const int n = static_cast<int>(a.size()), nnz = rowPtr.back();
        for (int p = 1; p <= 4; ++p) {
            EXPECT_EQ(rowsOf(pc::host::GetPowerPattern(p, n, nnz, rowPtr.data(), colInd.data())),
                      densePower(a, p, false))
                << "n " << n << " p " << p;
            EXPECT_EQ(rowsOf(pc::host::GetUpperPowerPattern(p, n, nnz, rowPtr.data(), colInd.data())),
                      densePower(a, p, true))
                << "n " << n << " p " << p;
        }
    }
}

}  // namespace
