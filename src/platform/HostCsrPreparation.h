#ifndef KYRA_PLATFORM_HOSTCSRPREPARATION_H
#define KYRA_PLATFORM_HOSTCSRPREPARATION_H

// The step the host and CUDA platforms share: the caller's COO, CSR or CSC
// data as one host CSR matrix, after validating the index arrays (status 4
// naming the first bad element). CSR data are wrapped in place with the
// caller's index base; COO and CSC data are converted into a zero-based copy
// (status 4 when the conversion fails). And the carrying of vectors between
// the caller's numbering and a reordered one (see Reorder.h).

#include <memory>
#include <vector>

#include "matrix/DataFormat.h"
#include "matrix/HostCsrMatrix.h"

namespace Iterative {

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CooDataFormat<T>& format);
template <typename T>
std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CsrDataFormat<T>& format);
template <typename T>
std::shared_ptr<HostCsrMatrix<T>> hostCsrMatrix(const CscDataFormat<T>& format);

}  // namespace Iterative

#endif
