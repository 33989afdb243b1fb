// The host platform through the public interface: its options in order;
// every format, base and ordering solving the caller's system in place;
// bad index arrays refused before any write; reordering invisible to the
// caller, and never applied to matrix-free data.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "matrix/DataFormat.h"

namespace {

using Iterative::kCooStorage;
using Iterative::kCscStorage;
using Iterative::kCsrStorage;

class HostPlatform : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetBicgstabSolver(handle, plan, nullptr));
        config.relativeTolerance = 1e-12;
    }

    kyraSparseStatus setPlatform(kyraSparseReordering reordering, int debug = 0) {
        const kyraSparseHostOptions opts{reordering, debug};
        return kyraSparseSetHostPlatform(handle, plan, &opts);
    }

    // The public setter of the arrays' format; CSC takes (rowInd, colPtr).
    kyraSparseStatus setArrays(const CallerArrays<double>& c, std::vector<double>& x,
                               const std::vector<double>& b) {
        const auto set = [&](auto setter, auto opts, const std::vector<int>& p, const std::vector<int>& q) {
            return setter(handle, plan, &opts, c.n, c.nnz(), c.values.data(), p.data(), q.data(), x.data(),
                          b.data());
        };
        if (c.storage == kCooStorage)
            return set(kyraSparseSetDcooData, kyraSparseCooOptions{c.base}, c.first, c.second);
        if (c.storage == kCscStorage)
            return set(kyraSparseSetDcscData, kyraSparseCscOptions{c.base}, c.second, c.first);
        return set(kyraSparseSetDcsrData, kyraSparseCsrOptions{c.base}, c.first, c.second);
    }

    const int n = 144;
    const std::vector<Entry<double>> entries = scrambledGrid<double>(12);
    const std::vector<double> solution = smoothSolution<double>(n);
    const std::vector<double> rhs = rightHandSide(Csr<double>(n, entries), solution);
};

TEST_F(HostPlatform, OptionsAreCheckedInOrder) {
    const std::string debug = "argument error: platformOpts.debug != {0, 1}";
    const std::string reordering =
        "argument error: platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
        "kyraSparseSymamdReordering}";
    const struct {
        int reordering, debug;
        std::string expected;
    } cases[] = {{3, 2, debug}, {0, -1, debug}, {3, 0, reordering}, {-1, 1, reordering}, {2, 1, ""}};
    for (const auto& c : cases) {
        const kyraSparseStatus status = setPlatform(static_cast<kyraSparseReordering>(c.reordering), c.debug);
        EXPECT_EQ(status == kyraSparseNoError ? "" : lastStatus(), c.expected)
            << c.reordering << " " << c.debug;
    }
}

TEST_F(HostPlatform, EveryFormatAndOrderingSolvesTheCallersSystem) {
    for (kyraSparseReordering reordering :
         {kyraSparseNoReordering, kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        ASSERT_EQ(kyraSparseNoError, setPlatform(reordering));
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
                for (int run = 0; run < 2; ++run) {
                    std::fill(x.begin(), x.end(), 0.0);
                    ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
                    expectAllClose(solution, x, 3e-10);
                }
                const CallerArrays<double> given(storage, entries, n, base);
                EXPECT_TRUE(arrays.first == given.first && arrays.second == given.second &&
                            arrays.values == given.values && b == rhs);
            }
        }
    }
}

TEST_F(HostPlatform, BadIndexArraysEndTheExecutionBeforeAnyWrite) {
    const struct {
        const char* expected;
        int storage;
        bool pointers;  // spoils the first array (CSR and CSC pointers, COO rows), else the second
        int position, value;
    } cases[] = {
        {"colInd[17] = 1000 is out of range for n = 144", kCsrStorage, false, 17, 1000},
        {"colPtr[144] = 671 must equal nnz + base = 672", kCscStorage, true, 144, 671},
        {"rowInd[5] = -1 is out of range for n = 144", kCooStorage, true, 5, -1},
    };
    for (kyraSparseReordering reordering : {kyraSparseNoReordering, kyraSparseSymamdReordering}) {
        ASSERT_EQ(kyraSparseNoError, setPlatform(reordering));
        for (const auto& c : cases) {
            CallerArrays<double> arrays(c.storage, entries, n, 0);
            (c.pointers ? arrays.first : arrays.second)[c.position] = c.value;
            const CallerArrays<double> before = arrays;
            std::vector<double> x(n, 5.0);
            ASSERT_EQ(kyraSparseNoError, setArrays(arrays, x, rhs));
            EXPECT_EQ(kyraSparseDataFormatError, execute());
            EXPECT_EQ(std::string("error: ") + c.expected, lastStatus());
            EXPECT_TRUE(before.first == arrays.first && before.second == arrays.second);
            EXPECT_EQ(x, std::vector<double>(n, 5.0));
        }
    }
}

// The callback's inverse diagonal, in the caller's numbering.
int applyInverseDiagonal(char, const double* in, double* out, void* user) {
    const auto& inverse = *static_cast<const std::vector<double>*>(user);
    for (std::size_t i = 0; i < inverse.size(); ++i) out[i] = inverse[i] * in[i];
    return 0;
}

// CG on a Poisson matrix whose diagonal varies strongly, so that a diagonal
// preconditioner applied to the wrong unknowns shows.
TEST_F(HostPlatform, ReorderingStaysInvisibleToTheCaller) {
    std::vector<Entry<double>> entries = poisson2d(6).entries();
    std::vector<double> inverse(36);
    for (Entry<double>& e : entries)
        if (e.row == e.col) inverse[e.row] = 1.0 / (e.value *= 1.0 + 40.0 * (e.row % 5));
    const Csr<double> A(36, entries);
    std::mt19937 rng(7);
    const std::vector<double> solution = randomVector<double>(36, rng), guess = randomVector<double>(36, rng);
    kyraSparseUserDefinedOptions jacobi{};
    jacobi.dApply = applyInverseDiagonal;
    ASSERT_EQ(kyraSparseNoError, kyraSparseSetCgSolver(handle, plan, nullptr));
    const kyraSparseConfig defaults = config;
    for (kyraSparseReordering reordering :
         {kyraSparseNoReordering, kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        SCOPED_TRACE(::testing::Message() << "reordering " << reordering);
        ASSERT_EQ(kyraSparseNoError, setPlatform(reordering));
        config = defaults;
        std::vector<double> b = A.multiply(solution), x(36, 0.0);
        ASSERT_EQ(kyraSparseNoError, setData(A, x, b));
        for (double scale : {1.0, 2.0}) {
            for (double& v : b) v *= scale;
            ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
            for (int i = 0; i < 36; ++i) EXPECT_NEAR(scale * solution[i], x[i], 1e-9 * scale);
        }
        // Jacobi-preconditioned CG takes 9 iterations in the caller's
        // numbering (over 50 with the diagonal on the wrong unknowns).
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetUserDefinedPreconditioner(handle, plan, &jacobi, &inverse));
        ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
        EXPECT_NEAR(9, result.iterations, 1);
        for (int i = 0; i < 36; ++i) EXPECT_NEAR(2 * solution[i], x[i], 2e-9);

        // No iteration: the fresh guess comes back with its residual.
        x = guess;
        config.useInitialGuess = 1;
        config.maxIterations = 0;
        execute();
        EXPECT_EQ(kyraSparseMaxIterationsReached, result.flag);
        EXPECT_EQ(x, guess);
        EXPECT_NEAR(trueResidual(A, b, guess), result.initialResidual, 1e-9);
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetNoPreconditioner(handle, plan, nullptr));
    }
}

// y_i = (i + 1) x_i: a product that depends on the numbering.
void scaleByPosition(char, const double* in, double* out, void* user) {
    for (int i = 0; i < *static_cast<const int*>(user); ++i) out[i] = (i + 1) * in[i];
}

TEST_F(HostPlatform, MatrixFreeDataAreNeverReordered) {
    ASSERT_EQ(kyraSparseNoError, setPlatform(kyraSparseSymamdReordering));
    ASSERT_EQ(kyraSparseNoError, kyraSparseSetCgSolver(handle, plan, nullptr));
    int size = 4;
    std::vector<double> x(size), b(size, 1.0);
    ASSERT_EQ(
        kyraSparseSetDmatrixfreeData(handle, plan, nullptr, size, scaleByPosition, &size, x.data(), b.data()),
        kyraSparseNoError);
    ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
    for (int i = 0; i < size; ++i) EXPECT_NEAR(x[i], 1.0 / (i + 1), 1e-10);
}

}  // namespace
