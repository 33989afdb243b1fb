#ifndef KYRA_MATRIX_CUDACSRMATRIX_H
#define KYRA_MATRIX_CUDACSRMATRIX_H

// CSR matrices in device memory, computed on by cuSPARSE on the library
// handle's cuSPARSE context and its default stream, the stream of the vector
// operations. What a matrix caches, each on first use:
//  - a product plan per operation (no-transpose, transpose, conjugate
//    transpose): its own descriptor over the arrays, workspace and
//    preprocessing. Transposed products run cuSPARSE's transposed product
//    on the CSR arrays rather than an explicit transpose, which would double
//    the memory of the matrix;
//  - a triangular-solve analysis per operation, refreshed (not rebuilt)
//    when the values were written since it was made;
//  - the sliced-ELL ("hybrid") copy, once hybrid() is called; it serves the
//    no-transpose products from then on and does not follow later changes
//    of the values;
//  - a host copy, downloaded on the first host() call.
// Values count as written whenever the non-const val() is taken; a matrix
// and its triangular views share that count.

#if defined(KYRA_WITH_CUDA)

#include <memory>
#include <string>

#include "core/Context.h"
#include "cudalib/Memory.h"
#include "matrix/CsrMatrix.h"
#include "matrix/CudaSparseResources.h"
#include "matrix/HostCsrMatrix.h"

namespace Iterative {

template <typename T>
class CudaCsrMatrix : public CsrMatrix<T> {
  public:
    using typename Matrix<T>::Pointer;

    CudaCsrMatrix(const Context& ctx, IndexType index);
    ~CudaCsrMatrix() override;

    PlatformType platform() const override { return PlatformType::Cuda; }
    std::string name() const override { return "cuda csr matrix"; }
    IndexType index() const override { return index_; }

    // y <- alpha op(A) x + beta y on contiguous CUDA vectors.
    void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const override;
    // Solves op(A) y = x (contiguous CUDA vectors). Triangle and diagonal come from the view made by
    // makeMatrixView_; side and diag are not consulted.
    void trsv_(SideType side, TransOp op, DiagType diag, const Vector<T>& x, Vector<T>& y) const override;
    // Preconditioner operators on the device (see preconditioner/cuda/factories.h).
    Pointer makeJacobi_(const kyraSparseJacobiOptions& options) const override;
    Pointer makeBlockJacobi_(const kyraSparseBlockjacobiOptions& options) const override;
    Pointer makeIlu0_(const kyraSparseIlu0Options& options) const override;
    Pointer makeAinv_(const kyraSparseAinvOptions& options) const override;
    Pointer makeFactorizedAinv_(const kyraSparseFainvOptions& options) const override;
    // A CudaCsrMatrixRef over this matrix's arrays with its own descriptor
    // and caches; it must not outlive this matrix.
    Pointer makeMatrixView_(SideType side, DiagType diag) const override;
    // A CudaCsrMatrixAlloc holding the transpose (conjugated when asked), in
    // the same index base.
    Pointer transpose_(bool conjugate) const override;

    const Context& ctx() const { return ctx_; }
    // The descriptor of the whole matrix (no-transpose products use it).
    const Cusparse::Descriptor& descriptor() const;
    // The triangular-solve analysis for op, built on first use with x and y
    // as the vectors it is made for.
    Cusparse::Analysis& analysis(TransOp op, const Vector<T>& x, Vector<T>& y) const;
    // Builds the sliced-ELL copy on first call.
    Cusparse::HybridMatrixHandle& hybrid() const;
    bool hasHybrid() const { return static_cast<bool>(hybrid_); }
    // The host copy, downloaded on first call.
    std::shared_ptr<HostCsrMatrix<T>> host() const;

  protected:
    // A view shares its parent's count of value writes.
    CudaCsrMatrix(const CudaCsrMatrix& parent, SideType side, DiagType diag);
    void setHost(std::shared_ptr<HostCsrMatrix<T>> host) { host_ = std::move(host); }
    // Called by the non-const val() of the concrete classes.
    void valuesWritten() { ++*valuesVersion_; }

  private:
    struct Triangle {
        SideType side;
        DiagType diag;
    };

    Cusparse::CsrArrays arrays() const;
    std::shared_ptr<Cusparse::Descriptor> newDescriptor() const;
    Cusparse::SpmvPlan& spmvPlan(TransOp op) const;

    const Context& ctx_;
    IndexType index_;
    std::unique_ptr<Triangle> triangle_;
    std::shared_ptr<unsigned long> valuesVersion_;
    mutable std::shared_ptr<Cusparse::Descriptor> descriptor_;
    mutable std::unique_ptr<Cusparse::SpmvPlan> spmv_[3];
    mutable std::unique_ptr<Cusparse::Analysis> analysis_[3];
    mutable std::unique_ptr<Cusparse::HybridMatrixHandle> hybrid_;
    mutable std::shared_ptr<HostCsrMatrix<T>> host_;
};

// Borrows three device arrays; never frees them.
template <typename T>
class CudaCsrMatrixRef : public CudaCsrMatrix<T> {
  public:
    CudaCsrMatrixRef(const Context& ctx, int m, int n, int nnz, T* val, int* rowPtr, int* colInd,
                     IndexType index)
        : CudaCsrMatrix<T>(ctx, index),
          m_(m),
          n_(n),
          nnz_(nnz),
          val_(val),
          colInd_(colInd),
          rowPtr_(rowPtr) {}
    // For read-only device arrays: the matrix is then only read by its users.
    CudaCsrMatrixRef(const Context& ctx, int m, int n, int nnz, const T* val, const int* rowPtr,
                     const int* colInd, IndexType index)
        : CudaCsrMatrixRef(ctx, m, n, nnz, const_cast<T*>(val), const_cast<int*>(rowPtr),
                           const_cast<int*>(colInd), index) {}
    // A triangular view of parent's arrays.
    CudaCsrMatrixRef(const CudaCsrMatrix<T>& parent, SideType side, DiagType diag)
        : CudaCsrMatrix<T>(parent, side, diag),
          m_(parent.m()),
          n_(parent.n()),
          nnz_(parent.nnz()),
          val_(const_cast<T*>(parent.val())),
          colInd_(const_cast<int*>(parent.colInd())),
          rowPtr_(const_cast<int*>(parent.rowPtr())) {}

    int m() const override { return m_; }
    int n() const override { return n_; }
    int nnz() const override { return nnz_; }
    T* val() override {
        this->valuesWritten();
        return val_;
    }
    int* rowPtr() override { return rowPtr_; }
    int* colInd() override { return colInd_; }
    const T* val() const override { return val_; }
    const int* rowPtr() const override { return rowPtr_; }
    const int* colInd() const override { return colInd_; }

  private:
    int m_;
    int n_;
    int nnz_;
    T* val_;
    int* colInd_;
    int* rowPtr_;
};

// Owns its arrays on the device current at construction.
template <typename T>
class CudaCsrMatrixAlloc : public CudaCsrMatrix<T> {
  public:
    // Contents undefined.
    CudaCsrMatrixAlloc(const Context& ctx, int m, int n, int nnz, IndexType index);
    // Uploads host; host becomes the host copy.
    CudaCsrMatrixAlloc(const Context& ctx, std::shared_ptr<HostCsrMatrix<T>> host);
    // Uploads host; the host copy borrows host's arrays, so host must outlive
    // this matrix.
    CudaCsrMatrixAlloc(const Context& ctx, const HostCsrMatrix<T>& host);

    int m() const override { return m_; }
    int n() const override { return n_; }
    int nnz() const override { return nnz_; }
    T* val() override {
        this->valuesWritten();
        return val_.get();
    }
    int* rowPtr() override { return rowPtr_.get(); }
    int* colInd() override { return colInd_.get(); }
    const T* val() const override { return val_.get(); }
    const int* rowPtr() const override { return rowPtr_.get(); }
    const int* colInd() const override { return colInd_.get(); }

  private:
    int m_;
    int n_;
    int nnz_;
    cudalib::CudaBuffer<T> val_;
    cudalib::CudaBuffer<int> colInd_;
    cudalib::CudaBuffer<int> rowPtr_;
};

// dst.nnz() values and column indices and dst.m() + 1 row pointers, checked.
template <typename T>
void copy(const HostCsrMatrix<T>& src, CudaCsrMatrix<T>& dst);
template <typename T>
void copy(const CudaCsrMatrix<T>& src, HostCsrMatrix<T>& dst);
template <typename T>
void copy(const CudaCsrMatrix<T>& src, CudaCsrMatrix<T>& dst);

}  // namespace Iterative

#endif
#endif
