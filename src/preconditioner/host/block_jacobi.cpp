#include "preconditioner/host/block_jacobi.h"

#include <algorithm>
#include <vector>

#include "matrix/ScalarTypes.h"
#include "preconditioner/BlockInverse.h"

namespace pc {
namespace host {

namespace {

// Below this many rows a thread team costs more than it saves.
constexpr int kParallelRows = 4096;

}  // namespace

// Blocks are independent: each is extracted and inverted by one thread,
// with one scratch vector per thread.
template <typename T>
void block_jacobi(int blockSize, int m, int n, int /*nnz*/, int base, const T* aVal, const int* aRowPtr,
                  const int* aColInd, T* outVal, int* outRowPtr, int* outColInd) {
    const int b = blockSize;
    const int blocks = (m + b - 1) / b;
#pragma omp parallel if (m > kParallelRows)
    {
        std::vector<T> work(b);
#pragma omp for schedule(static)
        for (int k = 0; k < blocks; ++k) {
            const int s = k * b;
            const int rowsEnd = std::min(s + b, m);
            for (int i = s; i < rowsEnd; ++i) {
                extractBlockRow(i, s, b, n, base, aVal, aRowPtr, aColInd, outVal, outRowPtr, outColInd);
            }
            const int kb = std::min(b, n - s);
            if (kb > 0) invertBlock(kb, BlockView<T>{outVal + static_cast<long>(s) * b, b}, work.data());
        }
    }
    outRowPtr[m] = m * b + base;
}

#define KYRA_INSTANTIATE_BLOCK_JACOBI(T) \
    template void block_jacobi<T>(int, int, int, int, int, const T*, const int*, const int*, T*, int*, int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_BLOCK_JACOBI)

}  // namespace host
}  // namespace pc
