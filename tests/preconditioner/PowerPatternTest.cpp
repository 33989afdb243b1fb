// The patterns of A^p against boolean dense matrix powers, on patterns with
// duplicate entries (the conversions keep them).

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "preconditioner/host/power_pattern.h"

namespace {

struct Pattern {
    int n = 0;
    std::vector<int> rowPtr{0};
    std::vector<int> colInd;
};

// Row r's sorted columns of the boolean power A^p, upper triangle only when
// asked, as one list per row.
std::vector<std::vector<int>> densePower(const Pattern& a, int p, bool upper) {
    const int n = a.n;
    std::vector<std::vector<char>> reach(n, std::vector<char>(n, 0));
    for (int r = 0; r < n; ++r) reach[r][r] = 1;
    for (int step = 0; step < p; ++step) {
        std::vector<std::vector<char>> next(n, std::vector<char>(n, 0));
        for (int r = 0; r < n; ++r) {
            for (int k = 0; k < n; ++k) {
                if (!reach[r][k]) continue;
                for (int q = a.rowPtr[k]; q < a.rowPtr[k + 1]; ++q) next[r][a.colInd[q]] = 1;
            }
        }
        reach.swap(next);
    }
    std::vector<std::vector<int>> rows(n);
    for (int r = 0; r < n; ++r) {
        for (int c = upper ? r : 0; c < n; ++c) {
            if (reach[r][c]) rows[r].push_back(c);
        }
    }
    return rows;
}

std::vector<std::vector<int>> rowsOf(const pc::host::CsrPattern& pattern) {
    std::vector<std::vector<int>> rows(pattern.rows());
    for (int r = 0; r < pattern.rows(); ++r) {
        rows[r].assign(pattern.colInd->begin() + (*pattern.rowPtr)[r],
                       pattern.colInd->begin() + (*pattern.rowPtr)[r + 1]);
    }
    return rows;
}

void expectDensePowers(const Pattern& a, int maxPower) {
    for (int p = 1; p <= maxPower; ++p) {
        const int nnz = a.rowPtr.back();
        EXPECT_EQ(rowsOf(pc::host::GetPowerPattern(p, a.n, nnz, a.rowPtr.data(), a.colInd.data())),
                  densePower(a, p, false))
            << "p = " << p;
        EXPECT_EQ(rowsOf(pc::host::GetUpperPowerPattern(p, a.n, nnz, a.rowPtr.data(), a.colInd.data())),
                  densePower(a, p, true))
            << "p = " << p;
    }
}

TEST(PowerPatternTest, RandomPatternWithDuplicatesMatchesDensePowers) {
    std::mt19937 rng(17);
    std::uniform_int_distribution<int> column(0, 14);
    std::uniform_int_distribution<int> length(0, 5);
    Pattern a;
    a.n = 15;
    for (int r = 0; r < a.n; ++r) {
        for (int k = length(rng); k > 0; --k) {
            const int c = column(rng);
            a.colInd.insert(a.colInd.end(), {c, c});
        }
        a.rowPtr.push_back(static_cast<int>(a.colInd.size()));
    }
    expectDensePowers(a, 4);
}

// Walking every path would take 400^4 steps per row here.
TEST(PowerPatternTest, ManyDuplicatesCostTheirCountOnly) {
    Pattern a;
    a.n = 2;
    for (int r = 0; r < 2; ++r) {
        for (int k = 0; k < 400; ++k) a.colInd.push_back(k % 2);
        a.rowPtr.push_back(static_cast<int>(a.colInd.size()));
    }
    expectDensePowers(a, 4);
}

}  // namespace
