#ifndef KYRA_MATRIX_CUDASPARSERESOURCES_H
#define KYRA_MATRIX_CUDASPARSERESOURCES_H

// Owners of the cuSPARSE objects a CUDA CSR matrix caches: matrix and vector
// descriptors, product plans, triangular-solve analyses and the sliced-ELL
// ("hybrid") copy. Every status goes through the cuSPARSE checker with the
// generic API's extra statuses mapped to those of the older routines.
//
// The generic API binds state to a matrix descriptor: a product's
// preprocessing and a solve's analysis belong to one operation. Each
// operation therefore gets its own descriptor over the same arrays.

#if defined(KYRA_WITH_CUDA)

#include <cstdint>
#include <memory>

#include <cusparse.h>

#include "cudalib/Memory.h"
#include "matrix/CudaCsrKernels.h"
#include "matrix/MatrixEnums.h"

namespace Cusparse {

// Device arrays of a CSR matrix and how to read them.
struct CsrArrays {
    int m;
    int n;
    int nnz;
    const void* val;
    const int* rowPtr;
    const int* colInd;
    Iterative::IndexType index;
    cudaDataType type;
};

// A dense vector of n elements at values (device memory).
class DenseVector {
  public:
    DenseVector(int n, const void* values, cudaDataType type);
    ~DenseVector();
    DenseVector(const DenseVector&) = delete;
    DenseVector& operator=(const DenseVector&) = delete;
    cusparseDnVecDescr_t get() const { return descr_; }

  private:
    cusparseDnVecDescr_t descr_ = nullptr;
};

// One sparse-matrix descriptor (CSR or sliced ELL). The arrays are borrowed.
class Descriptor {
  public:
    explicit Descriptor(const CsrArrays& csr);
    Descriptor(int m, int n, int nnz, Iterative::SlicedEllArrays& sell, cudaDataType type);
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    // Fill mode and diagonal type read by triangular solves.
    void setTriangle(Iterative::SideType side, Iterative::DiagType diag);
    cusparseSpMatDescr_t get() const { return descr_; }

  private:
    cusparseSpMatDescr_t descr_ = nullptr;
};

// y <- alpha op(A) x + beta y with the workspace sized and the matrix
// preprocessed on the first product; later products reuse both (values may
// change in place, indices may not).
class SpmvPlan {
  public:
    SpmvPlan(std::shared_ptr<Descriptor> matrix, cusparseOperation_t op, cusparseSpMVAlg_t alg,
             cudaDataType type)
        : matrix_(std::move(matrix)), op_(op), alg_(alg), type_(type) {}

    void multiply(cusparseHandle_t handle, const void* alpha, const DenseVector& x, const void* beta,
                  const DenseVector& y);

  private:
    std::shared_ptr<Descriptor> matrix_;
    cusparseOperation_t op_;
    cusparseSpMVAlg_t alg_;
    cudaDataType type_;
    bool prepared_ = false;
    cudalib::DeviceAllocation buffer_;
};

// The analysis of one triangular solve operation, kept with its workspace
// for every later solve. Values changed in place must be announced with
// refresh() before the next solve, the analysis being numeric.
class Analysis {
  public:
    Analysis(cusparseHandle_t handle, std::unique_ptr<Descriptor> matrix, cusparseOperation_t op,
             cudaDataType type, const void* one, const DenseVector& x, const DenseVector& y);
    ~Analysis();
    Analysis(const Analysis&) = delete;
    Analysis& operator=(const Analysis&) = delete;

    // op(A) y = x
    void solve(cusparseHandle_t handle, const void* one, const DenseVector& x, const DenseVector& y) const;
    void refresh(cusparseHandle_t handle, const void* values);

    // The values version this analysis has seen (kept by the matrix).
    unsigned long version = 0;

  private:
    std::unique_ptr<Descriptor> matrix_;
    cusparseOperation_t op_;
    cudaDataType type_;
    cusparseSpSVDescr_t spsv_ = nullptr;
    cudalib::DeviceAllocation buffer_;
};

// The sliced-ELL copy of a CSR matrix, for no-transpose products. It does not
// follow later changes of the CSR values.
class HybridMatrixHandle {
  public:
    HybridMatrixHandle(int m, int n, int nnz, Iterative::SlicedEllArrays arrays, cudaDataType type);

    void multiply(cusparseHandle_t handle, const void* alpha, const DenseVector& x, const void* beta,
                  const DenseVector& y);
    long long storedEntries() const { return arrays_.valuesSize; }

  private:
    Iterative::SlicedEllArrays arrays_;
    SpmvPlan plan_;
};

// Workspace for a cuSPARSE routine; running out of device memory is the
// routine's allocation failure.
cudalib::DeviceAllocation allocateWorkspace(size_t bytes);

}  // namespace Cusparse

#endif
#endif
