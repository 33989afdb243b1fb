#ifndef KYRA_CORE_COPY_H
#define KYRA_CORE_COPY_H

// Copies between matrices of the same shape. The destination decides how
// much is copied and keeps its own descriptor.

#include "matrix/HostCsrMatrix.h"

namespace Iterative {

// Copies dst.nnz() values and column indices and dst.m()+1 row pointers.
template <typename T>
void copy(const HostCsrMatrix<T>& src, HostCsrMatrix<T>& dst);

}  // namespace Iterative

#endif
