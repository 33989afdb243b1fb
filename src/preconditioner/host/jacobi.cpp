#include "preconditioner/host/jacobi.h"

#include "core/Complex.h"
#include "matrix/ScalarTypes.h"

namespace pc {
namespace host {

namespace {

// Below this many rows a thread team costs more than it saves.
constexpr int kParallelRows = 16384;

// 1 / a_ii for the last non-zero diagonal entry of row i, or 1 without one.
// NaN is not zero, so a NaN diagonal gives NaN.
template <typename T>
T inverseDiagonal(int i, int base, const T* aVal, const int* aRowPtr, const int* aColInd) {
    T inverse = T(1);
    const int end = aRowPtr[i + 1] - base;
    for (int p = aRowPtr[i] - base; p < end; ++p) {
        if (aColInd[p] - base == i && !kyra::isZero(aVal[p])) inverse = T(1) / aVal[p];
    }
    return inverse;
}

}  // namespace

template <typename T>
void jacobi(int m, int /*n*/, int /*nnz*/, int base, const T* aVal, const int* aRowPtr, const int* aColInd,
            T* outVal, int* outRowPtr, int* outColInd) {
#pragma omp parallel for schedule(static) if (m > kParallelRows)
    for (int i = 0; i < m; ++i) {
        outRowPtr[i] = i + base;
        outColInd[i] = i + base;
        outVal[i] = inverseDiagonal(i, base, aVal, aRowPtr, aColInd);
    }
    outRowPtr[m] = m + base;
}

#define KYRA_INSTANTIATE_JACOBI(T) \
    template void jacobi<T>(int, int, int, int, const T*, const int*, const int*, T*, int*, int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_JACOBI)

}  // namespace host
}  // namespace pc
