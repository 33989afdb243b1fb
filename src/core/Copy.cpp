#include "core/Copy.h"

#include "core/ParallelArrays.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

template <typename T>
void copy(const HostCsrMatrix<T>& src, HostCsrMatrix<T>& dst) {
    const long nnz = dst.nnz();
    copyInParallel(src.val(), nnz, dst.val());
    copyInParallel(src.colInd(), nnz, dst.colInd());
    copyInParallel(src.rowPtr(), dst.m() + 1L, dst.rowPtr());
}

#define KYRA_INSTANTIATE_HOST_CSR_COPY(T) template void copy<T>(const HostCsrMatrix<T>&, HostCsrMatrix<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_CSR_COPY)

}  // namespace Iterative
