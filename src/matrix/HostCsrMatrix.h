#ifndef KYRA_MATRIX_HOSTCSRMATRIX_H
#define KYRA_MATRIX_HOSTCSRMATRIX_H

// CSR matrices in main memory, computed on with the host sparse kernels. The
// sparse-BLAS descriptor carries the structure (general or triangular view)
// and the index base, so one-based caller arrays are used as they are.

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "matrix/CsrMatrix.h"
#include "matrix/HostStorage.h"

namespace Iterative {

// The 6-character sparse-BLAS matrix descriptor: matrix type, triangle,
// diagonal, index base. Only the first four characters are read.
class MklDescriptor {
  public:
    explicit MklDescriptor(IndexType index) : chars_{'G', 'L', 'N', index.toChar(), '\0', '\0'} {}

    char* data() { return chars_; }
    const char* data() const { return chars_; }
    char& operator[](int i) { return chars_[i]; }
    char operator[](int i) const { return chars_[i]; }

    // The triangle of view, keeping the index base.
    void setTriangular(SideType side, DiagType diag);

  private:
    char chars_[6];
};

template <typename T>
class HostCsrMatrix : public CsrMatrix<T> {
  public:
    using typename Matrix<T>::Pointer;

    PlatformType platform() const override { return PlatformType::Host; }
    std::string name() const override { return "host csr matrix"; }

    void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const override;
    // One pass for a general (not triangular) descriptor and unit strides.
    T mvmDot_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const override;
    ProductDots<T> mvmDots_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const override;
    // Triangle and diagonal come from the descriptor; side and diag are not
    // consulted, so this is meaningful on a view made by makeMatrixView_.
    void trsv_(SideType side, TransOp op, DiagType diag, const Vector<T>& x, Vector<T>& y) const override;
    // A HostCsrMatrixRef on this matrix's arrays with a triangular descriptor.
    Pointer makeMatrixView_(SideType side, DiagType diag) const override;
    // A HostCsrMatrixAlloc holding the (conjugate) transpose, same index base.
    Pointer transpose_(bool conjugate) const override;

    // Preconditioner operators, computed on the host by pc::host.
    Pointer makeJacobi_(const kyraSparseJacobiOptions& options) const override;
    Pointer makeBlockJacobi_(const kyraSparseBlockjacobiOptions& options) const override;
    Pointer makeIlu0_(const kyraSparseIlu0Options& options) const override;
    Pointer makeAinv_(const kyraSparseAinvOptions& options) const override;
    Pointer makeFactorizedAinv_(const kyraSparseFainvOptions& options) const override;

    // Parsed from character 3 of the descriptor.
    IndexType index() const override;

    virtual char* descriptor() = 0;
    virtual const char* descriptor() const = 0;
};

// Borrows all three arrays; never frees them.
template <typename T>
class HostCsrMatrixRef : public HostCsrMatrix<T> {
  public:
    HostCsrMatrixRef(int m, int n, int nnz, T* val, int* rowPtr, int* colInd, IndexType index)
        : m_(m), n_(n), nnz_(nnz), val_(val), rowPtr_(rowPtr), colInd_(colInd), descriptor_(index) {}
    // For read-only caller arrays: the matrix is then only read by its users.
    HostCsrMatrixRef(int m, int n, int nnz, const T* val, const int* rowPtr, const int* colInd,
                     IndexType index)
        : HostCsrMatrixRef(m, n, nnz, const_cast<T*>(val), const_cast<int*>(rowPtr), const_cast<int*>(colInd),
                           index) {}

    int m() const override { return m_; }
    int n() const override { return n_; }
    int nnz() const override { return nnz_; }
    T* val() override { return val_; }
    int* rowPtr() override { return rowPtr_; }
    int* colInd() override { return colInd_; }
    const T* val() const override { return val_; }
    const int* rowPtr() const override { return rowPtr_; }
    const int* colInd() const override { return colInd_; }
    char* descriptor() override { return descriptor_.data(); }
    const char* descriptor() const override { return descriptor_.data(); }

  private:
    int m_;
    int n_;
    int nnz_;
    T* val_;
    int* rowPtr_;
    int* colInd_;
    MklDescriptor descriptor_;
};

// Asks a HostCsrMatrixAlloc to leave its arrays unwritten, for a caller that
// writes every element next (a copy, a conversion, a transpose).
struct Unwritten {};

// Owns its arrays: nnz values, m+1 row pointers and nnz column indices, all
// zero at construction unless Unwritten is asked for.
template <typename T>
class HostCsrMatrixAlloc : public HostCsrMatrix<T> {
  public:
    HostCsrMatrixAlloc(int m, int n, int nnz, IndexType index);
    HostCsrMatrixAlloc(int m, int n, int nnz, IndexType index, Unwritten);

    int m() const override { return m_; }
    int n() const override { return n_; }
    int nnz() const override { return nnz_; }
    T* val() override { return val_.data(); }
    int* rowPtr() override { return rowPtr_.data(); }
    int* colInd() override { return colInd_.data(); }
    const T* val() const override { return val_.data(); }
    const int* rowPtr() const override { return rowPtr_.data(); }
    const int* colInd() const override { return colInd_.data(); }
    char* descriptor() override { return descriptor_.data(); }
    const char* descriptor() const override { return descriptor_.data(); }

  private:
    int m_;
    int n_;
    int nnz_;
    HostArray<T> val_;
    HostArray<int> rowPtr_;
    HostArray<int> colInd_;
    MklDescriptor descriptor_;
};

// A diagonal matrix in CSR form, one entry per row on the diagonal (as the
// Jacobi set-up writes it): its non-transposed products scale element by
// element, with the CSR product's arithmetic, without reading the indices.
template <typename T>
class HostDiagonalMatrix : public HostCsrMatrixAlloc<T> {
  public:
    HostDiagonalMatrix(int n, IndexType index) : HostCsrMatrixAlloc<T>(n, n, n, index) {}

    void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const override;
    T mvmDot_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const override;
    ProductDots<T> mvmDots_(const Vector<T>& x, Vector<T>& y, const Vector<T>& w) const override;
};

// Holds its arrays through shared pointers, so several matrices can share a
// sparsity pattern while holding different values. The element accessors
// raise std::out_of_range on an empty array.
template <typename T>
class HostCsrMatrixSharedRef : public HostCsrMatrix<T> {
  public:
    using SharedValues = std::shared_ptr<std::vector<T>>;
    using SharedIndices = std::shared_ptr<std::vector<int>>;

    HostCsrMatrixSharedRef(int m, int n, int nnz, SharedValues val, SharedIndices rowPtr,
                           SharedIndices colInd, IndexType index);
    // Shares the pattern and allocates nnz new zero values.
    HostCsrMatrixSharedRef(int m, int n, int nnz, SharedIndices rowPtr, SharedIndices colInd,
                           IndexType index);

    int m() const override { return m_; }
    int n() const override { return n_; }
    int nnz() const override { return nnz_; }
    T* val() override { return firstOf(*val_); }
    int* rowPtr() override { return firstOf(*rowPtr_); }
    int* colInd() override { return firstOf(*colInd_); }
    const T* val() const override { return firstOf(*val_); }
    const int* rowPtr() const override { return firstOf(*rowPtr_); }
    const int* colInd() const override { return firstOf(*colInd_); }
    char* descriptor() override { return descriptor_.data(); }
    const char* descriptor() const override { return descriptor_.data(); }

    const SharedValues& sharedVal() const { return val_; }
    const SharedIndices& sharedRowPtr() const { return rowPtr_; }
    const SharedIndices& sharedColInd() const { return colInd_; }

  private:
    // Bounds-checked like std::vector::at, so an empty array is reported
    // rather than handed out as a dangling address.
    template <typename Array>
    static auto firstOf(Array& array) -> decltype(array.data()) {
        if (array.empty()) throw std::out_of_range("vector::_M_range_check");
        return &array[0];
    }

    int m_;
    int n_;
    int nnz_;
    SharedValues val_;
    SharedIndices rowPtr_;
    SharedIndices colInd_;
    MklDescriptor descriptor_;
};

// Transposes the n x n CSR matrix (val, rowPtr, colInd) into (outVal,
// outRowPtr, outColInd), keeping the index base; outVal may be null to
// transpose the pattern only. With conjugate set, complex values are
// conjugated. Raises std::runtime_error "transpose error" when a column index
// is out of range.
template <typename T>
void HostCsrTranspose(int n, int nnz, int base, const T* val, const int* rowPtr, const int* colInd, T* outVal,
                      int* outRowPtr, int* outColInd, bool conjugate);

}  // namespace Iterative

#endif
