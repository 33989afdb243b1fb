// Public functions never throw, even when memory runs out: with the k-th
// allocation of a call failing, for every k the call reaches, the call
// returns 0, as it would without the failure, or 5 with its text.
//
// This binary replaces the global operator new; unarmed it is malloc.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "common/PublicSolve.h"

namespace {
// Allocations left before one fails; negative: none fails.
std::atomic<long> allocationsBeforeFailure{-1};
}  // namespace

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure.load() >= 0 && allocationsBeforeFailure.fetch_sub(1) == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
// GCC takes the free below for one of memory from its own operator new; here
// both are ours and pair malloc with free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept { std::free(p); }
#pragma GCC diagnostic pop
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }

namespace {

class AllocationFailure : public PublicPlan {
  protected:
    // Fails allocation k of call() for k = 0, 1, ... until the call gets
    // through without reaching a failing allocation.
    void expectNeverThrows(const char* name, const std::function<kyraSparseStatus()>& call) {
        for (long k = 0;; ++k) {
            allocationsBeforeFailure = k;
            const kyraSparseStatus status = call();
            const bool failed = allocationsBeforeFailure.exchange(-1) < 0;
            if (!failed) {
                EXPECT_EQ(kyraSparseNoError, status) << name;
                return;
            }
            ASSERT_TRUE(status == kyraSparseNoError || status == kyraSparseInsufficientMemory)
                << name << " k " << k;
            if (status == kyraSparseInsufficientMemory) {
                EXPECT_EQ(0u, lastStatus().find("insufficient memory: ")) << name << " k " << k;
            }
        }
    }
};

TEST_F(AllocationFailure, EveryFailingAllocationOfACallBecomesStatus5) {
    ASSERT_EQ(kyraSparseNoError, kyraSparseSetJacobiPreconditioner(handle, plan, nullptr));
    const Csr<double> A = poisson2d(3);
    const std::vector<double> b(9, 1.0);
    std::vector<double> x(9);
    const kyraSparseHostOptions reordered{kyraSparseSymamdReordering, 0};
    char text[64];

    expectNeverThrows("create plan", [&] {
        kyraSparsePlan other = nullptr;
        const kyraSparseStatus status = kyraSparseCreatePlan(handle, &other);
        if (other) kyraSparseDestroyPlan(other);
        return status;
    });
    expectNeverThrows("last status",
                      [&] { return kyraSparseGetLastStatusString(handle, text, sizeof text); });
    expectNeverThrows("platform", [&] { return kyraSparseSetHostPlatform(handle, plan, &reordered); });
    expectNeverThrows("solver", [&] { return kyraSparseSetGmresSolver(handle, plan, nullptr); });
    expectNeverThrows("data", [&] { return setData(A, x, b); });
    expectNeverThrows("execute", [&] { return kyraSparseExecutePlan(handle, plan, nullptr, &result); });
    EXPECT_LT(trueResidual(A, b, x) / norm(b), 1e-5);
}

}  // namespace
