#ifndef KYRA_TESTS_PUBLICSOLVE_H
#define KYRA_TESTS_PUBLICSOLVE_H

// Solves through the public interface: a fixture holding one plan on a
// fresh handle, and the CSR data setter of each scalar type.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/HandleFixture.h"
#include "common/SmallSystems.h"
#include "common/TestMatrices.h"
#include "kyraSparse.h"

// The public CSR data setter of T's precision.
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, const kyraSparseCsrOptions* o, int n,
                                   int nnz, const float* a, const int* rowPtr, const int* colInd, float* x,
                                   const float* b) {
    return kyraSparseSetScsrData(h, p, o, n, nnz, a, rowPtr, colInd, x, b);
}
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, const kyraSparseCsrOptions* o, int n,
                                   int nnz, const double* a, const int* rowPtr, const int* colInd, double* x,
                                   const double* b) {
    return kyraSparseSetDcsrData(h, p, o, n, nnz, a, rowPtr, colInd, x, b);
}
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, const kyraSparseCsrOptions* o, int n,
                                   int nnz, const kyra::Complex<float>* a, const int* rowPtr,
                                   const int* colInd, kyra::Complex<float>* x,
                                   const kyra::Complex<float>* b) {
    using C = kyraSparseComplexFloat;
    return kyraSparseSetCcsrData(h, p, o, n, nnz, reinterpret_cast<const C*>(a), rowPtr, colInd,
                                 reinterpret_cast<C*>(x), reinterpret_cast<const C*>(b));
}
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, const kyraSparseCsrOptions* o, int n,
                                   int nnz, const kyra::Complex<double>* a, const int* rowPtr,
                                   const int* colInd, kyra::Complex<double>* x,
                                   const kyra::Complex<double>* b) {
    using C = kyraSparseComplexDouble;
    return kyraSparseSetZcsrData(h, p, o, n, nnz, reinterpret_cast<const C*>(a), rowPtr, colInd,
                                 reinterpret_cast<C*>(x), reinterpret_cast<const C*>(b));
}

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

    template <typename T>
    kyraSparseStatus setData(const Csr<T>& A, std::vector<T>& x, const std::vector<T>& b) {
        const kyraSparseCsrOptions base{A.base()};
        return setCsrData(handle, plan, &base, A.n(), A.nnz(), A.val().data(), A.rowPtr().data(),
                          A.colInd().data(), x.data(), b.data());
    }
    kyraSparseStatus setData(const CsrSystem& A, std::vector<double>& x, const std::vector<double>& b) {
        return kyraSparseSetDcsrData(handle, plan, nullptr, A.n, A.nnz(), A.values.data(), A.rowPtr.data(),
                                     A.colInd.data(), x.data(), b.data());
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
