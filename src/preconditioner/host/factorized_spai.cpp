#include "preconditioner/host/factorized_spai.h"

#include <omp.h>

#include <algorithm>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/HostBlas.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/host/lapack.h"
#include "preconditioner/host/parallel.h"
#include "preconditioner/host/spai.h"

namespace pc {
namespace host {

namespace {

using Iterative::KyraSparseExceptionTemplate;

[[noreturn]] void raiseNotPositiveDefinite() {
    KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
        "the input matrix is not positive definite");
}

// Initial room for rows with up to 16 off-diagonal entries.
constexpr std::size_t kInitialDense = 256;
constexpr std::size_t kInitialVector = 16;

// One thread's work space for the rows of its range; it only grows.
template <typename T>
class RowSolver {
  public:
    explicit RowSolver(int n) : map_(n, -1), dense_(kInitialDense), b_(kInitialVector), y_(kInitialVector) {}

    void solve(int i, const T* aVal, const int* aRowPtr, const int* aColInd, const std::vector<int>& diagPtr,
               T* zVal, const int* zRowPtr, const int* zColInd) {
        const int first = zRowPtr[i];
        const int k = zRowPtr[i + 1] - first - 1;
        const T aii = aVal[diagPtr[i]];
        if (k == 0) {
            zVal[first] = T(1) / kyra::sqrt(aii);
            return;
        }
        reserve(k);
        std::fill_n(dense_.begin(), static_cast<std::size_t>(k) * k, T(0));
        std::fill_n(b_.begin(), k, T(0));
        factorized_spai_fill(i, zColInd + first + 1, k, aVal, aRowPtr, aColInd, diagPtr.data(), map_.data(),
                             dense_.data(), b_.data());
        factorized_spai_solve(k, aii, dense_.data(), b_.data(), y_.data(), zVal + first);
    }

  private:
    void reserve(int k) {
        const std::size_t denseSize = static_cast<std::size_t>(k) * k;
        if (dense_.size() < denseSize) dense_.resize(denseSize);
        if (b_.size() < static_cast<std::size_t>(k)) {
            b_.resize(k);
            y_.resize(k);
        }
    }

    std::vector<int> map_;
    std::vector<T> dense_;
    std::vector<T> b_;
    std::vector<T> y_;
};

}  // namespace

std::vector<int> get_aDiagPtr(int n, const int* aRowPtr, const int* aColInd) {
    std::vector<int> diagPtr(n);
    ExceptionSlot failure;
#pragma omp parallel
    {
        const Range rows = threadRange(n, omp_get_thread_num(), omp_get_num_threads());
        try {
            for (int i = rows.first; i < rows.last; ++i) {
                const int* rowEnd = aColInd + aRowPtr[i + 1];
                const int* found = std::lower_bound(aColInd + aRowPtr[i], rowEnd, i);
                if (found == rowEnd || *found != i) {
                    KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
                        "input matrix is missing diagonal");
                }
                diagPtr[i] = static_cast<int>(found - aColInd);
            }
        } catch (...) {
            failure.capture();
        }
    }
    failure.rethrowIfRaised();
    return diagPtr;
}

// Row c of A from its diagonal on holds a_cq for q >= c, i.e. the entries
// (q, c) of A(J, J)^T on and below the diagonal.
template <typename T>
void factorized_spai_fill(int i, const int* J, int k, const T* aVal, const int* aRowPtr, const int* aColInd,
                          const int* diagPtr, int* map, T* G, T* b) {
    for (int t = 0; t < k; ++t) map[J[t]] = t;
    for (int t = 0; t < k; ++t) {
        const int c = J[t];
        for (int q = diagPtr[c]; q < aRowPtr[c + 1]; ++q) {
            const int r = map[aColInd[q]];
            if (r != -1) G[r + static_cast<std::size_t>(t) * k] = aVal[q];
        }
    }
    for (int q = aRowPtr[i]; q < aRowPtr[i + 1]; ++q) {
        const int r = map[aColInd[q]];
        if (r != -1) b[r] = aVal[q];
    }
    for (int t = 0; t < k; ++t) map[J[t]] = -1;
}

template <typename T>
void factorized_spai_solve(int k, T aii, T* G, const T* b, T* y, T* zRow) {
    if (kyra::realPart(aii) <= kyra::Real<T>(0)) raiseNotPositiveDefinite();
    std::copy_n(b, k, y);
    const int ld = std::max(1, k);
    if (Lapack<T>::posv(k, G, ld, y, ld) != 0) raiseNotPositiveDefinite();
    const T d = aii - Iterative::HostBlas::DOT(k, b, 1, y, 1);  // a_ii - b^H y
    const T zii = T(1) / kyra::sqrt(d);
    Iterative::HostBlas::SCAL(k, -zii, y, 1);
    zRow[0] = zii;
    std::copy_n(y, k, zRow + 1);
}

template <typename T>
void factorized_spai(int n, int /*nnz*/, int base, const T* aVal, const int* aRowPtr, const int* aColInd,
                     T* zVal, const int* zRowPtr, const int* zColInd) {
    requireZeroBased(base, "factorized spai preconditioning");
    const std::vector<int> diagPtr = get_aDiagPtr(n, aRowPtr, aColInd);
    ExceptionSlot failure;
#pragma omp parallel
    {
        const Range rows = threadRange(n, omp_get_thread_num(), omp_get_num_threads());
        try {
            RowSolver<T> solver(n);
            for (int i = rows.first; i < rows.last && !failure.raised(); ++i) {
                solver.solve(i, aVal, aRowPtr, aColInd, diagPtr, zVal, zRowPtr, zColInd);
            }
        } catch (...) {
            failure.capture();
        }
    }
    failure.rethrowIfRaised();
}

#define KYRA_INSTANTIATE_FACTORIZED_SPAI(T)                                                           \
    template void factorized_spai<T>(int, int, int, const T*, const int*, const int*, T*, const int*, \
                                     const int*);                                                     \
    template void factorized_spai_fill<T>(int, const int*, int, const T*, const int*, const int*,     \
                                          const int*, int*, T*, T*);                                  \
    template void factorized_spai_solve<T>(int, T, T*, const T*, T*, T*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_FACTORIZED_SPAI)

}  // namespace host
}  // namespace pc
