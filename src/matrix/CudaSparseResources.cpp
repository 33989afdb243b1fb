#if defined(KYRA_WITH_CUDA)

#include "matrix/CudaSparseResources.h"

#include "cudalib/CudaException.h"
#include "cudalib/ErrorChecker.h"

namespace Cusparse {

using cudalib::CheckCusparseGeneric;

namespace {
cusparseIndexBase_t baseOf(Iterative::IndexType index) {
    return index.toInt() == 1 ? CUSPARSE_INDEX_BASE_ONE : CUSPARSE_INDEX_BASE_ZERO;
}
}  // namespace

cudalib::DeviceAllocation allocateWorkspace(size_t bytes) {
    try {
        return cudalib::DeviceAllocation(bytes);
    } catch (const cudalib::CudaMemoryException&) {
        cudalib::CusparseErrorChecker::CheckError(CUSPARSE_STATUS_ALLOC_FAILED);
        throw;
    }
}

DenseVector::DenseVector(int n, const void* values, cudaDataType type) {
    CheckCusparseGeneric(cusparseCreateDnVec(&descr_, n, const_cast<void*>(values), type));
}

DenseVector::~DenseVector() { cusparseDestroyDnVec(descr_); }

// The products and solves only read the arrays; the API takes them mutable.
Descriptor::Descriptor(const CsrArrays& csr) {
    CheckCusparseGeneric(cusparseCreateCsr(
        &descr_, csr.m, csr.n, csr.nnz, const_cast<int*>(csr.rowPtr), const_cast<int*>(csr.colInd),
        const_cast<void*>(csr.val), CUSPARSE_INDEX_32I, CUSPARSE_INDEX_32I, baseOf(csr.index), csr.type));
}

Descriptor::Descriptor(int m, int n, int nnz, Iterative::SlicedEllArrays& sell, cudaDataType type) {
    CheckCusparseGeneric(cusparseCreateSlicedEll(
        &descr_, m, n, nnz, sell.valuesSize, sell.sliceSize, sell.sliceOffsets.get(), sell.colInd.get(),
        sell.values.get(), CUSPARSE_INDEX_32I, CUSPARSE_INDEX_32I, CUSPARSE_INDEX_BASE_ZERO, type));
}

Descriptor::~Descriptor() { cusparseDestroySpMat(descr_); }

void Descriptor::setTriangle(Iterative::SideType side, Iterative::DiagType diag) {
    auto fill = static_cast<cusparseFillMode_t>(side.toCusparse());
    auto unit = static_cast<cusparseDiagType_t>(diag.toCusparse());
    CheckCusparseGeneric(cusparseSpMatSetAttribute(descr_, CUSPARSE_SPMAT_FILL_MODE, &fill, sizeof fill));
    CheckCusparseGeneric(cusparseSpMatSetAttribute(descr_, CUSPARSE_SPMAT_DIAG_TYPE, &unit, sizeof unit));
}

void SpmvPlan::multiply(cusparseHandle_t handle, const void* alpha, const DenseVector& x, const void* beta,
                        const DenseVector& y) {
    if (!prepared_) {
        size_t bytes = 0;
        CheckCusparseGeneric(cusparseSpMV_bufferSize(handle, op_, alpha, matrix_->get(), x.get(), beta,
                                                     y.get(), type_, alg_, &bytes));
        buffer_ = allocateWorkspace(bytes);
        CheckCusparseGeneric(cusparseSpMV_preprocess(handle, op_, alpha, matrix_->get(), x.get(), beta,
                                                     y.get(), type_, alg_, buffer_.get()));
        prepared_ = true;
    }
    CheckCusparseGeneric(
        cusparseSpMV(handle, op_, alpha, matrix_->get(), x.get(), beta, y.get(), type_, alg_, buffer_.get()));
}

Analysis::Analysis(cusparseHandle_t handle, std::unique_ptr<Descriptor> matrix, cusparseOperation_t op,
                   cudaDataType type, const void* one, const DenseVector& x, const DenseVector& y)
    : matrix_(std::move(matrix)), op_(op), type_(type) {
    CheckCusparseGeneric(cusparseSpSV_createDescr(&spsv_));
    try {
        size_t bytes = 0;
        CheckCusparseGeneric(cusparseSpSV_bufferSize(handle, op_, one, matrix_->get(), x.get(), y.get(),
                                                     type_, CUSPARSE_SPSV_ALG_DEFAULT, spsv_, &bytes));
        buffer_ = allocateWorkspace(bytes);
        CheckCusparseGeneric(cusparseSpSV_analysis(handle, op_, one, matrix_->get(), x.get(), y.get(), type_,
                                                   CUSPARSE_SPSV_ALG_DEFAULT, spsv_, buffer_.get()));
    } catch (...) {
        cusparseSpSV_destroyDescr(spsv_);
        throw;
    }
}

Analysis::~Analysis() { cusparseSpSV_destroyDescr(spsv_); }

void Analysis::solve(cusparseHandle_t handle, const void* one, const DenseVector& x,
                     const DenseVector& y) const {
    CheckCusparseGeneric(cusparseSpSV_solve(handle, op_, one, matrix_->get(), x.get(), y.get(), type_,
                                            CUSPARSE_SPSV_ALG_DEFAULT, spsv_));
}

void Analysis::refresh(cusparseHandle_t handle, const void* values) {
    CheckCusparseGeneric(
        cusparseSpSV_updateMatrix(handle, spsv_, const_cast<void*>(values), CUSPARSE_SPSV_UPDATE_GENERAL));
}

HybridMatrixHandle::HybridMatrixHandle(int m, int n, int nnz, Iterative::SlicedEllArrays arrays,
                                       cudaDataType type)
    : arrays_(std::move(arrays)),
      plan_(std::make_shared<Descriptor>(m, n, nnz, arrays_, type), CUSPARSE_OPERATION_NON_TRANSPOSE,
            CUSPARSE_SPMV_SELL_ALG1, type) {}

void HybridMatrixHandle::multiply(cusparseHandle_t handle, const void* alpha, const DenseVector& x,
                                  const void* beta, const DenseVector& y) {
    plan_.multiply(handle, alpha, x, beta, y);
}

}  // namespace Cusparse

#endif
