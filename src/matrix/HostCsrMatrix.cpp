#include "matrix/HostCsrMatrix.h"

#include <stdexcept>

#include "core/ParallelArrays.h"
#include "matrix/HostBlas.h"
#include "matrix/HostFusedKernels.h"
#include "matrix/HostSparseKernels.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/host/factories.h"

namespace Iterative {

void MklDescriptor::setTriangular(SideType side, DiagType diag) {
    chars_[0] = MatrixType(MatrixType::Triangular).toChar();
    chars_[1] = side.toChar();
    chars_[2] = diag.toChar();
}

namespace {
template <typename T>
bool unitStrides(const Vector<T>& a, const Vector<T>& b, const Vector<T>& c) {
    return a.inc() == 1 && b.inc() == 1 && c.inc() == 1;
}
}  // namespace

template <typename T>
void HostCsrMatrix<T>::mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const {
    HostBlas::CSRMV(op.toChar(), this->m(), this->n(), alpha, descriptor(), this->val(), this->rowPtr(),
                    this->colInd(), x.val(), beta, y.val());
}

template <typename T>
T HostCsrMatrix<T>::mvmDot_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const {
    return mvmDots_(x, y, w).dot;
}

template <typename T>
ProductDots<T> HostCsrMatrix<T>::mvmDots_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const {
    const bool general = descriptor()[0] == 'G' || descriptor()[0] == 'g';
    if (!general || !unitStrides(x, y, w)) return Matrix<T>::mvmDots_(x, y, w);
    const fused::ProductSums<T> sums = fused::csrProductSums(
        this->m(), index().toInt(), this->val(), this->rowPtr(), this->colInd(), x.val(), y.val(), w.val());
    return {sums.dot, sums.squares};
}

template <typename T>
void HostDiagonalMatrix<T>::mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const {
    if (op != TransOp::NoTrans || x.inc() != 1 || y.inc() != 1) {
        return HostCsrMatrix<T>::mvm_(op, alpha, x, beta, y);
    }
    fused::diagonalProduct(this->m(), alpha, this->val(), x.val(), beta, y.val());
}

template <typename T>
T HostDiagonalMatrix<T>::mvmDot_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const {
    return mvmDots_(x, y, w).dot;
}

template <typename T>
ProductDots<T> HostDiagonalMatrix<T>::mvmDots_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const {
    if (!unitStrides(x, y, w)) return Matrix<T>::mvmDots_(x, y, w);
    const fused::ProductSums<T> sums =
        fused::diagonalProductSums(this->m(), this->val(), x.val(), y.val(), w.val());
    return {sums.dot, sums.squares};
}

template <typename T>
void HostCsrMatrix<T>::trsv_(SideType, TransOp op, DiagType, const Vector<T>& x, Vector<T>& y) const {
    HostBlas::CSRSV(op.toChar(), this->m(), T(1), descriptor(), this->val(), this->rowPtr(), this->colInd(),
                    x.val(), y.val());
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::makeMatrixView_(SideType side, DiagType diag) const {
    auto view = std::make_shared<HostCsrMatrixRef<T>>(this->m(), this->n(), this->nnz(), this->val(),
                                                      this->rowPtr(), this->colInd(), index());
    MklDescriptor descriptor(index());
    descriptor.setTriangular(side, diag);
    for (int i = 0; i < 3; ++i) view->descriptor()[i] = descriptor[i];
    return view;
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::transpose_(bool conjugate) const {
    auto transposed =
        std::make_shared<HostCsrMatrixAlloc<T>>(this->m(), this->n(), this->nnz(), index(), Unwritten{});
    HostCsrTranspose(this->n(), this->nnz(), index().toInt(), this->val(), this->rowPtr(), this->colInd(),
                     transposed->val(), transposed->rowPtr(), transposed->colInd(), conjugate);
    return transposed;
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::makeJacobi_(
    const kyraSparseJacobiOptions& options) const {
    return pc::host::makeJacobi(*this, options);
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::makeBlockJacobi_(
    const kyraSparseBlockjacobiOptions& options) const {
    return pc::host::makeBlockJacobi(*this, options);
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::makeIlu0_(const kyraSparseIlu0Options& options) const {
    return pc::host::makeIlu0(*this, options);
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::makeAinv_(const kyraSparseAinvOptions& options) const {
    return pc::host::makeAinv(*this, options);
}

template <typename T>
typename HostCsrMatrix<T>::Pointer HostCsrMatrix<T>::makeFactorizedAinv_(
    const kyraSparseFainvOptions& options) const {
    return pc::host::makeFactorizedAinv(*this, options);
}

template <typename T>
IndexType HostCsrMatrix<T>::index() const {
    return IndexType::fromChar(descriptor()[3]);
}

template <typename T>
HostCsrMatrixAlloc<T>::HostCsrMatrixAlloc(int m, int n, int nnz, IndexType index, Unwritten)
    : m_(m), n_(n), nnz_(nnz), val_(nnz), rowPtr_(m + 1), colInd_(nnz), descriptor_(index) {}

template <typename T>
HostCsrMatrixAlloc<T>::HostCsrMatrixAlloc(int m, int n, int nnz, IndexType index)
    : HostCsrMatrixAlloc(m, n, nnz, index, Unwritten{}) {
    fillInParallel(val_.data(), nnz, T(0));
    fillInParallel(rowPtr_.data(), m + 1L, 0);
    fillInParallel(colInd_.data(), nnz, 0);
}

template <typename T>
HostCsrMatrixSharedRef<T>::HostCsrMatrixSharedRef(int m, int n, int nnz, SharedValues val,
                                                  SharedIndices rowPtr, SharedIndices colInd, IndexType index)
    : m_(m),
      n_(n),
      nnz_(nnz),
      val_(std::move(val)),
      rowPtr_(std::move(rowPtr)),
      colInd_(std::move(colInd)),
      descriptor_(index) {}

template <typename T>
HostCsrMatrixSharedRef<T>::HostCsrMatrixSharedRef(int m, int n, int nnz, SharedIndices rowPtr,
                                                  SharedIndices colInd, IndexType index)
    : HostCsrMatrixSharedRef(m, n, nnz, std::make_shared<std::vector<T>>(nnz), std::move(rowPtr),
                             std::move(colInd), index) {}

namespace {
template <typename T>
void conjugateValues(int nnz, T* val) {
    if constexpr (kyra::IsComplex<T>::value) {
        for (int p = 0; p < nnz; ++p) val[p].im = -val[p].im;
    }
}
}  // namespace

template <typename T>
void HostCsrTranspose(int n, int nnz, int base, const T* val, const int* rowPtr, const int* colInd, T* outVal,
                      int* outRowPtr, int* outColInd, bool conjugate) {
    const int info = sparse::csrToCsc(n, n, base, val, rowPtr, colInd, outVal, outRowPtr, outColInd);
    if (info != 0) throw std::runtime_error("transpose error");
    if (conjugate && outVal) conjugateValues(nnz, outVal);
}

#define KYRA_INSTANTIATE_HOST_CSR(T)          \
    template class HostCsrMatrix<T>;          \
    template class HostCsrMatrixRef<T>;       \
    template class HostCsrMatrixAlloc<T>;     \
    template class HostDiagonalMatrix<T>;     \
    template class HostCsrMatrixSharedRef<T>; \
    template void HostCsrTranspose<T>(int, int, int, const T*, const int*, const int*, T*, int*, int*, bool);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_CSR)

}  // namespace Iterative
