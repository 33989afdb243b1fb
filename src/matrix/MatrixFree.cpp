#include "matrix/MatrixFree.h"

#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

template <typename T>
void MatrixFree<T>::mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const {
    using Public = PublicScalar<T>;
    if (alpha != T(1)) {
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("matrix free requires alpha = 1");
    }
    if (beta != T(0)) {
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("matrix free requires beta = 0");
    }
    // The public complex records have the layout of kyra::Complex.
    ax_(op.toChar(), reinterpret_cast<const Public*>(x.val()), reinterpret_cast<Public*>(y.val()), user_);
}

#define KYRA_INSTANTIATE_MATRIX_FREE(T) template class MatrixFree<T>;
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_MATRIX_FREE)

}  // namespace Iterative
