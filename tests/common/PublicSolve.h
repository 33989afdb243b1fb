#ifndef KYRA_TESTS_PUBLICSOLVE_H
#define KYRA_TESTS_PUBLICSOLVE_H

// Solves through the public interface: fixtures holding a fresh handle, and
// one plan on it with data setters for the test systems.

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "common/TestMatrices.h"
#include "kyraSparse.h"

// A plan setter with its options bound; without options it passes none (the
// defaults).
using Setter = std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)>;
template <typename Options>
Setter with(kyraSparseStatus (*set)(kyraSparseHandle, kyraSparsePlan, const Options*),
            std::optional<std::decay_t<Options>> options = {}) {
    return [set, options](kyraSparseHandle h, kyraSparsePlan p) {
        return set(h, p, options ? &*options : nullptr);
    };
}

// A fresh library handle per test, with a reader for its last status text.
class HandleTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(kyraSparseCreate(&handle), kyraSparseNoError); }
    void TearDown() override { EXPECT_EQ(kyraSparseDestroy(handle), kyraSparseNoError); }

    std::string lastStatus() {
        char buf[1024];
        EXPECT_EQ(kyraSparseGetLastStatusString(handle, buf, sizeof buf), kyraSparseNoError);
        return buf;
    }

    kyraSparseHandle handle = nullptr;
};

// One plan on a fresh handle, the default configuration and the result of
// the last execution. The plan borrows the arrays handed to it.
class PublicPlan : public HandleTest {
  protected:
    void SetUp() override {
        HandleTest::SetUp();
        ASSERT_EQ(kyraSparseCreatePlan(handle, &plan), kyraSparseNoError);
        ASSERT_EQ(kyraSparseConfigInit(handle, &config), kyraSparseNoError);
    }
    void TearDown() override {
        EXPECT_EQ(kyraSparseDestroyPlan(plan), kyraSparseNoError);
        HandleTest::TearDown();
    }

    // CSR data in A's base, through the setter of T's precision.
    template <typename T>
    kyraSparseStatus setData(const Csr<T>& A, std::vector<T>& x, const std::vector<T>& b) {
        const kyraSparseCsrOptions base{A.base()};
        const auto set = [&](auto setter, auto tag) {  // tag: a value of the setter's scalar type
            using S = decltype(tag);
            return setter(handle, plan, &base, A.n(), A.nnz(), reinterpret_cast<const S*>(A.val().data()),
                          A.rowPtr().data(), A.colInd().data(), reinterpret_cast<S*>(x.data()),
                          reinterpret_cast<const S*>(b.data()));
        };
        if constexpr (std::is_same<T, float>::value) {
            return set(kyraSparseSetScsrData, float{});
        } else if constexpr (std::is_same<T, double>::value) {
            return set(kyraSparseSetDcsrData, double{});
        } else if constexpr (std::is_same<T, kyra::Complex<float>>::value) {
            return set(kyraSparseSetCcsrData, kyraSparseComplexFloat{});
        } else {
            return set(kyraSparseSetZcsrData, kyraSparseComplexDouble{});
        }
    }

    kyraSparseStatus execute() { return kyraSparseExecutePlan(handle, plan, &config, &result); }

    // The plan's solver or preconditioner text.
    std::string planText(kyraSparseStatus (*query)(kyraSparseHandle, kyraSparsePlan, char*, int)) {
        char text[256];
        EXPECT_EQ(query(handle, plan, text, sizeof text), kyraSparseNoError);
        return text;
    }

    kyraSparsePlan plan = nullptr;
    kyraSparseConfig config{};
    kyraSparseResult result{};
};

#endif
