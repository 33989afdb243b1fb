#if defined(KYRA_WITH_CUDA)

#include "matrix/CudaCsrMatrix.h"

#include "cudalib/Algorithm.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/LibraryContexts.h"
#include "matrix/CudaBlas.h"
#include "matrix/CudaScalar.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/cuda/factories.h"

namespace Iterative {

namespace {

// The cuSPARSE operation and cache slot for op. For real values the
// conjugate transpose is the transpose and shares its slot.
template <typename T>
int slotOf(TransOp op) {
    return (op == TransOp::ConjTrans && !kyra::IsComplex<T>::value) ? TransOp(TransOp::Trans).toCusparse()
                                                                    : op.toCusparse();
}

cusparseHandle_t cusparse(const Context& ctx) { return ctx.cusparseCtx().handle(); }

template <typename T>
Cusparse::DenseVector denseVector(int n, const T* values) {
    return Cusparse::DenseVector(n, values, CudaScalar<T>::dataType);
}

}  // namespace

template <typename T>
CudaCsrMatrix<T>::CudaCsrMatrix(const Context& ctx, IndexType index)
    : ctx_(ctx), index_(index), valuesVersion_(std::make_shared<unsigned long>(0)) {}

template <typename T>
CudaCsrMatrix<T>::CudaCsrMatrix(const CudaCsrMatrix& parent, SideType side, DiagType diag)
    : ctx_(parent.ctx_),
      index_(parent.index_),
      triangle_(new Triangle{side, diag}),
      valuesVersion_(parent.valuesVersion_) {}

template <typename T>
CudaCsrMatrix<T>::~CudaCsrMatrix() = default;

template <typename T>
Cusparse::CsrArrays CudaCsrMatrix<T>::arrays() const {
    return {this->m(),      this->n(),      this->nnz(), this->val(),
            this->rowPtr(), this->colInd(), index_,      CudaScalar<T>::dataType};
}

template <typename T>
std::shared_ptr<Cusparse::Descriptor> CudaCsrMatrix<T>::newDescriptor() const {
    auto descriptor = std::make_shared<Cusparse::Descriptor>(arrays());
    if (triangle_) descriptor->setTriangle(triangle_->side, triangle_->diag);
    return descriptor;
}

template <typename T>
const Cusparse::Descriptor& CudaCsrMatrix<T>::descriptor() const {
    if (!descriptor_) descriptor_ = newDescriptor();
    return *descriptor_;
}

template <typename T>
Cusparse::SpmvPlan& CudaCsrMatrix<T>::spmvPlan(TransOp op) const {
    const int slot = slotOf<T>(op);
    if (!spmv_[slot]) {
        descriptor();
        // No-transpose products use the matrix's own descriptor, the others
        // one each, since preprocessing binds a descriptor to its operation.
        auto matrix = slot == 0 ? descriptor_ : newDescriptor();
        spmv_[slot] = std::make_unique<Cusparse::SpmvPlan>(matrix, static_cast<cusparseOperation_t>(slot),
                                                           CUSPARSE_SPMV_CSR_ALG1, CudaScalar<T>::dataType);
    }
    return *spmv_[slot];
}

template <typename T>
void CudaCsrMatrix<T>::mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const {
    const bool plain = op == TransOp::NoTrans;
    const int rows = plain ? this->m() : this->n();
    const int cols = plain ? this->n() : this->m();
    if (rows == 0) return;
    if (cols == 0 || this->nnz() == 0) {
        // No entries: y <- beta y, overwriting y when beta is zero as a
        // product does (cuSPARSE needs index arrays to describe).
        if (beta == T(0)) {
            y.fill_(T(0));
        } else {
            CudaBlas::SCAL(ctx_.cublasCtx().handle(), rows, beta, y.val(), y.inc());
        }
        return;
    }
    const CudaType<T> a = toCuda(alpha);
    const CudaType<T> b = toCuda(beta);
    const auto xv = denseVector(cols, x.val());
    const auto yv = denseVector(rows, y.val());
    if (plain && hybrid_) {
        hybrid_->multiply(cusparse(ctx_), &a, xv, &b, yv);
    } else {
        spmvPlan(op).multiply(cusparse(ctx_), &a, xv, &b, yv);
    }
}

template <typename T>
Cusparse::Analysis& CudaCsrMatrix<T>::analysis(TransOp op, const Vector<T>& x, Vector<T>& y) const {
    const int slot = slotOf<T>(op);
    const CudaType<T> one = toCuda(T(1));
    if (!analysis_[slot]) {
        auto matrix = std::make_unique<Cusparse::Descriptor>(arrays());
        if (triangle_) matrix->setTriangle(triangle_->side, triangle_->diag);
        const auto xv = denseVector(this->m(), x.val());
        const auto yv = denseVector(this->m(), y.val());
        analysis_[slot] = std::make_unique<Cusparse::Analysis>(cusparse(ctx_), std::move(matrix),
                                                               static_cast<cusparseOperation_t>(slot),
                                                               CudaScalar<T>::dataType, &one, xv, yv);
        analysis_[slot]->version = *valuesVersion_;
    } else if (analysis_[slot]->version != *valuesVersion_) {
        analysis_[slot]->refresh(cusparse(ctx_), this->val());
        analysis_[slot]->version = *valuesVersion_;
    }
    return *analysis_[slot];
}

template <typename T>
void CudaCsrMatrix<T>::trsv_(SideType, TransOp op, DiagType, const Vector<T>& x, Vector<T>& y) const {
    if (this->m() == 0) return;
    const Cusparse::Analysis& solver = analysis(op, x, y);
    const CudaType<T> one = toCuda(T(1));
    solver.solve(cusparse(ctx_), &one, denseVector(this->m(), x.val()), denseVector(this->m(), y.val()));
}

template <typename T>
Cusparse::HybridMatrixHandle& CudaCsrMatrix<T>::hybrid() const {
    if (!hybrid_) {
        auto sell =
            BuildSlicedEll(this->m(), index_.toInt(), asCuda(this->val()), this->rowPtr(), this->colInd());
        hybrid_ = std::make_unique<Cusparse::HybridMatrixHandle>(this->m(), this->n(), this->nnz(),
                                                                 std::move(sell), CudaScalar<T>::dataType);
    }
    return *hybrid_;
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> CudaCsrMatrix<T>::host() const {
    if (!host_) {
        auto copied =
            std::make_shared<HostCsrMatrixAlloc<T>>(this->m(), this->n(), this->nnz(), index_, Unwritten{});
        copy(*this, *copied);
        host_ = copied;
    }
    return host_;
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::makeJacobi_(
    const kyraSparseJacobiOptions& options) const {
    return pc::cuda::makeJacobi(*this, options);
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::makeBlockJacobi_(
    const kyraSparseBlockjacobiOptions& options) const {
    return pc::cuda::makeBlockJacobi(*this, options);
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::makeIlu0_(const kyraSparseIlu0Options& options) const {
    return pc::cuda::makeIlu0(*this, options);
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::makeAinv_(const kyraSparseAinvOptions& options) const {
    return pc::cuda::makeAinv(*this, options);
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::makeFactorizedAinv_(
    const kyraSparseFainvOptions& options) const {
    return pc::cuda::makeFactorizedAinv(*this, options);
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::makeMatrixView_(SideType side, DiagType diag) const {
    return std::make_shared<CudaCsrMatrixRef<T>>(*this, side, diag);
}

template <typename T>
typename CudaCsrMatrix<T>::Pointer CudaCsrMatrix<T>::transpose_(bool conjugate) const {
    const int m = this->m();
    const int n = this->n();
    const int nnz = this->nnz();
    auto result = std::make_shared<CudaCsrMatrixAlloc<T>>(ctx_, n, m, nnz, index_);
    if (nnz == 0) {
        cudalib::CudaMemsetType(result->rowPtr(), index_.toInt(), static_cast<unsigned>(n + 1));
        cudalib::CudaErrorChecker();
        return result;
    }
    const auto base = static_cast<cusparseIndexBase_t>(index_.toCusparse());
    const cudaDataType type = CudaScalar<T>::dataType;
    // The column form of A is the row form of its transpose: values, column
    // pointers (the new row pointers), row indices (the new column indices).
    size_t bytes = 0;
    cudalib::CheckCusparseGeneric(
        cusparseCsr2cscEx2_bufferSize(cusparse(ctx_), m, n, nnz, this->val(), this->rowPtr(), this->colInd(),
                                      result->val(), result->rowPtr(), result->colInd(), type,
                                      CUSPARSE_ACTION_NUMERIC, base, CUSPARSE_CSR2CSC_ALG_DEFAULT, &bytes));
    const cudalib::DeviceAllocation buffer = Cusparse::allocateWorkspace(bytes);
    cudalib::CheckCusparseGeneric(cusparseCsr2cscEx2(cusparse(ctx_), m, n, nnz, this->val(), this->rowPtr(),
                                                     this->colInd(), result->val(), result->rowPtr(),
                                                     result->colInd(), type, CUSPARSE_ACTION_NUMERIC, base,
                                                     CUSPARSE_CSR2CSC_ALG_DEFAULT, buffer.get()));
    if constexpr (kyra::IsComplex<T>::value) {
        if (conjugate) ConjugateOnDevice(asCuda(result->val()), nnz);
    }
    // The buffer is freed on return, before the transpose has run: make it
    // wait for the conversion.
    cudalib::CudaErrorChecker::CheckError(cudaDeviceSynchronize());
    return result;
}

template <typename T>
CudaCsrMatrixAlloc<T>::CudaCsrMatrixAlloc(const Context& ctx, int m, int n, int nnz, IndexType index)
    : CudaCsrMatrix<T>(ctx, index),
      m_(m),
      n_(n),
      nnz_(nnz),
      val_(static_cast<size_t>(nnz)),
      colInd_(static_cast<size_t>(nnz)),
      rowPtr_(static_cast<size_t>(m) + 1) {}

template <typename T>
CudaCsrMatrixAlloc<T>::CudaCsrMatrixAlloc(const Context& ctx, std::shared_ptr<HostCsrMatrix<T>> host)
    : CudaCsrMatrixAlloc(ctx, host->m(), host->n(), host->nnz(), host->index()) {
    copy(*host, *this);
    this->setHost(std::move(host));
}

template <typename T>
CudaCsrMatrixAlloc<T>::CudaCsrMatrixAlloc(const Context& ctx, const HostCsrMatrix<T>& host)
    : CudaCsrMatrixAlloc(ctx, host.m(), host.n(), host.nnz(), host.index()) {
    copy(host, *this);
    this->setHost(std::make_shared<HostCsrMatrixRef<T>>(host.m(), host.n(), host.nnz(), host.val(),
                                                        host.rowPtr(), host.colInd(), host.index()));
}

namespace {
template <typename Src, typename Dst>
void copyArrays(const Src& src, Dst& dst, cudaMemcpyKind kind) {
    const size_t nnz = static_cast<size_t>(dst.nnz());
    using T = typename Dst::Scalar;
    cudalib::CheckedMemcpy(dst.val(), src.val(), nnz * sizeof(T), kind);
    cudalib::CheckedMemcpy(dst.colInd(), src.colInd(), nnz * sizeof(int), kind);
    cudalib::CheckedMemcpy(dst.rowPtr(), src.rowPtr(), (static_cast<size_t>(dst.m()) + 1) * sizeof(int),
                           kind);
}
}  // namespace

template <typename T>
void copy(const HostCsrMatrix<T>& src, CudaCsrMatrix<T>& dst) {
    copyArrays(src, dst, cudaMemcpyHostToDevice);
}

template <typename T>
void copy(const CudaCsrMatrix<T>& src, HostCsrMatrix<T>& dst) {
    copyArrays(src, dst, cudaMemcpyDeviceToHost);
}

template <typename T>
void copy(const CudaCsrMatrix<T>& src, CudaCsrMatrix<T>& dst) {
    copyArrays(src, dst, cudaMemcpyDeviceToDevice);
}

#define KYRA_INSTANTIATE_CUDA_CSR(T)                                   \
    template class CudaCsrMatrix<T>;                                   \
    template class CudaCsrMatrixRef<T>;                                \
    template class CudaCsrMatrixAlloc<T>;                              \
    template void copy<T>(const HostCsrMatrix<T>&, CudaCsrMatrix<T>&); \
    template void copy<T>(const CudaCsrMatrix<T>&, HostCsrMatrix<T>&); \
    template void copy<T>(const CudaCsrMatrix<T>&, CudaCsrMatrix<T>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CUDA_CSR)

}  // namespace Iterative

#endif
