// Several threads on the library at once: on one handle and one plan, and
// on a handle each (created and destroyed concurrently) with callbacks, also
// refused on the shared plan. Meant for the ThreadSanitizer build;
// elsewhere it checks statuses and results.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "common/TestMatrices.h"
#include "kyraSparse.h"

namespace {

constexpr int kThreads = 4;
constexpr int kRounds = 10;

// A plan on its own handle solving b = A x* with CG, where A is the 2-D
// Poisson matrix: as CSR data with Jacobi, or through the matrix-free callback.
struct Solve {
    Csr<double> a = poisson2d(6);
    std::vector<double> x = std::vector<double>(a.n(), 0.0);
    std::vector<double> b = a.multiply(smoothSolution<double>(a.n()));
    std::atomic<int> products{0};
    kyraSparseHandle handle = nullptr;
    kyraSparsePlan plan = nullptr;

    explicit Solve(bool matrixFree) {
        EXPECT_EQ(kyraSparseCreate(&handle), kyraSparseNoError);
        EXPECT_EQ(kyraSparseCreatePlan(handle, &plan), kyraSparseNoError);
        EXPECT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(matrixFree
                      ? kyraSparseSetDmatrixfreeData(handle, plan, nullptr, a.n(), product, this, x.data(),
                                                     b.data())
                      : kyraSparseSetDcsrData(handle, plan, nullptr, a.n(), a.nnz(), a.val().data(),
                                              a.rowPtr().data(), a.colInd().data(), x.data(), b.data()),
                  kyraSparseNoError);
        if (!matrixFree) {
            EXPECT_EQ(kyraSparseSetJacobiPreconditioner(handle, plan, nullptr), kyraSparseNoError);
        }
    }
    ~Solve() {
        EXPECT_EQ(kyraSparseDestroyPlan(plan), kyraSparseNoError);
        EXPECT_EQ(kyraSparseDestroy(handle), kyraSparseNoError);
    }

    static void product(char, const double* in, double* out, void* user) {
        auto* self = static_cast<Solve*>(user);
        ++self->products;
        const std::vector<double> y = self->a.multiply({in, in + self->a.n()});
        std::copy(y.begin(), y.end(), out);
    }

    kyraSparseStatus run() {
        kyraSparseConfig config;
        kyraSparseConfigInit(handle, &config);
        kyraSparseResult result;
        return kyraSparseExecutePlan(handle, plan, &config, &result);
    }
};

// Each thread solves on a handle of its own, half of them through the
// callback, and drives a shared plan: through the plan's handle, where every
// call succeeds, and through its own handle, where it is refused without
// touching the plan.
TEST(ConcurrencyStressTest, ThreadsShareAPlanAndSolveOnHandlesOfTheirOwn) {
    Solve shared(false);
    std::atomic<int> failures{0};
    const auto work = [&](int t) {
        Solve own(t % 2 == 1);
        char text[256];
        for (int round = 0; round < kRounds; ++round) {
            for (kyraSparseStatus status :
                 {own.run(), shared.run(),
                  kyraSparseGetPlanString(shared.handle, shared.plan, text, sizeof text),
                  kyraSparseGetLastStatusString(shared.handle, text, sizeof text),
                  t % 2 == 0 ? kyraSparseSetCgSolver(shared.handle, shared.plan, nullptr)
                             : kyraSparseSetJacobiPreconditioner(shared.handle, shared.plan, nullptr)})
                failures += status != kyraSparseNoError;
            failures += kyraSparseSetCgSolver(own.handle, shared.plan, nullptr) != kyraSparsePlanError;
        }
        EXPECT_LT(trueResidual(own.a, own.b, own.x) / norm(own.b), 1e-5);
        EXPECT_TRUE(t % 2 == 0 || own.products > 0);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(work, t);
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures, 0);
    EXPECT_LT(trueResidual(shared.a, shared.b, shared.x) / norm(shared.b), 1e-5);
}

}  // namespace
