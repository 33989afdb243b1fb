#include "core/Copy.h"

#include <algorithm>

#include "matrix/ScalarTypes.h"

namespace Iterative {

template <typename T>
void copy(const HostCsrMatrix<T>& src, HostCsrMatrix<T>& dst) {
    const int nnz = dst.nnz();
    std::copy_n(src.val(), nnz, dst.val());
    std::copy_n(src.colInd(), nnz, dst.colInd());
    std::copy_n(src.rowPtr(), dst.m() + 1, dst.rowPtr());
}

#define KYRA_INSTANTIATE_HOST_CSR_COPY(T) template void copy<T>(const HostCsrMatrix<T>&, HostCsrMatrix<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_CSR_COPY)

}  // namespace Iterative
