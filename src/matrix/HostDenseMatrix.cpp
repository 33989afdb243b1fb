#include "matrix/HostDenseMatrix.h"

#include "matrix/HostBlas.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

template <typename T>
void HostDenseMatrix<T>::mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const {
    HostBlas::GEMV(op.toChar(), this->m(), this->n(), alpha, data(), lda(), x.val(), x.inc(), beta, y.val(),
                   y.inc());
}

template <typename T>
void HostDenseMatrix<T>::trsv_(SideType side, TransOp op, DiagType diag, const Vector<T>& x,
                               Vector<T>& y) const {
    y.copy_(x);
    HostBlas::TRSV(side.toChar(), op.toChar(), diag.toChar(), y.n(), data(), lda(), y.val(), y.inc());
}

template <typename T>
HostDenseMatrixAlloc<T>::HostDenseMatrixAlloc(int m, int n, IndexType index)
    : impl_{m, n, index, std::vector<T>(static_cast<std::size_t>(m) * static_cast<std::size_t>(n))} {}

#define KYRA_INSTANTIATE_HOST_DENSE(T)    \
    template class HostDenseMatrix<T>;    \
    template class HostDenseMatrixRef<T>; \
    template class HostDenseMatrixAlloc<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_DENSE)

}  // namespace Iterative
