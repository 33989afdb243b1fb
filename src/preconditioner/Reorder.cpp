#include "preconditioner/Reorder.h"

#include <colamd.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>

#include "core/Exception.h"
#include "matrix/HostSparseKernels.h"
#include "matrix/ScalarTypes.h"

namespace Iterative {

namespace {

template <typename T>
bool isZeroBased(const HostCsrMatrix<T>& A) {
    return A.index() == IndexType(IndexType::ZeroBased);
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> copyOf(const HostCsrMatrix<T>& A) {
    auto B = std::make_shared<HostCsrMatrixAlloc<T>>(A.m(), A.n(), A.nnz(), A.index());
    std::copy(A.val(), A.val() + A.nnz(), B->val());
    std::copy(A.rowPtr(), A.rowPtr() + A.m() + 1, B->rowPtr());
    std::copy(A.colInd(), A.colInd() + A.nnz(), B->colInd());
    return B;
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> permutedCopy(const HostCsrMatrix<T>& A, const std::vector<int>& perm) {
    auto B = std::make_shared<HostCsrMatrixAlloc<T>>(A.m(), A.n(), A.nnz(), A.index());
    detail::permute(A, *B, perm, detail::invert(perm));
    return B;
}

// One counting transpose of a zero-based n x n CSR matrix; rows of the
// result come out in increasing column order.
template <typename T>
void transposeZeroBased(int n, const T* val, const int* rowPtr, const int* colInd, T* outVal, int* outRowPtr,
                        int* outColInd) {
    if (sparse::csrToCsc(n, n, 0, val, rowPtr, colInd, outVal, outRowPtr, outColInd) != 0) {
        throw std::runtime_error("transpose error");
    }
}

}  // namespace

namespace detail {

std::vector<int> invert(const std::vector<int>& p) {
    std::vector<int> q(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) q[p[i]] = static_cast<int>(i);
    return q;
}

template <typename T>
std::vector<int> DoCOLAMD(const HostCsrMatrix<T>& A) {
    if (!isZeroBased(A))
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("colamd reordering");
    const int m = A.m();
    const int n = A.n();
    const int nnz = A.nnz();
    std::vector<int> p(A.rowPtr(), A.rowPtr() + m + 1);
    const std::size_t workLength = colamd_recommended(nnz, n, m);
    if (workLength == 0) throw std::runtime_error("colamd failure");
    // COLAMD orders columns; A's rows are the columns of A^T, whose
    // column-compressed arrays are A's CSR arrays. It overwrites its input,
    // so it works on copies.
    std::vector<int> work(workLength);
    std::copy(A.colInd(), A.colInd() + nnz, work.begin());
    int stats[COLAMD_STATS];
    if (!colamd(n, n, static_cast<int>(workLength), work.data(), p.data(), nullptr, stats)) {
        throw std::runtime_error("colamd failure");
    }
    p.resize(m);
    return p;
}

template <typename T>
std::vector<int> DoSYMAMD(const HostCsrMatrix<T>& A) {
    if (!isZeroBased(A)) {
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("symmand reordering");
    }
    const int m = A.m();
    // SYMAMD refuses an empty matrix, whose ordering is empty anyway.
    if (m == 0) return {};
    std::vector<int> perm(m + 1);
    int stats[COLAMD_STATS];
    // SYMAMD orders the pattern of A + A^T and only reads its input arrays.
    if (!symamd(A.n(), const_cast<int*>(A.colInd()), const_cast<int*>(A.rowPtr()), perm.data(), nullptr,
                stats, &std::calloc, &std::free)) {
        KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
            "failed to perform COLAMD reordering");
    }
    perm.resize(m);
    return perm;
}

template <typename T>
void permute(const HostCsrMatrix<T>& A, HostCsrMatrix<T>& B, const std::vector<int>& perm,
             const std::vector<int>& inv) {
    if (!isZeroBased(A))
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("matrix permute");
    if (!isZeroBased(B)) {
        KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise(
            "matrix transpose requires zero indexed matrix");
    }
    const int n = A.n();
    const int nnz = A.nnz();

    // New row i is old row perm[i] with every column c renamed inv[c].
    std::vector<int> rowPtr(n + 1), colInd(nnz);
    std::vector<T> val(nnz);
    int count = 0;
    for (int i = 0; i < n; ++i) {
        rowPtr[i] = count;
        for (int k = A.rowPtr()[perm[i]]; k < A.rowPtr()[perm[i] + 1]; ++k, ++count) {
            colInd[count] = inv[A.colInd()[k]];
            val[count] = A.val()[k];
        }
    }
    rowPtr[n] = count;

    // Renaming unsorted the rows; two counting transposes sort them again.
    std::vector<int> transposedRowPtr(n + 1), transposedColInd(nnz);
    std::vector<T> transposedVal(nnz);
    transposeZeroBased(n, val.data(), rowPtr.data(), colInd.data(), transposedVal.data(),
                       transposedRowPtr.data(), transposedColInd.data());
    transposeZeroBased(n, transposedVal.data(), transposedRowPtr.data(), transposedColInd.data(), B.val(),
                       B.rowPtr(), B.colInd());
}

}  // namespace detail

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> COLAMD(const HostCsrMatrix<T>& A) {
    return permutedCopy(A, detail::DoCOLAMD(A));
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> SYMAMD(const HostCsrMatrix<T>& A) {
    return permutedCopy(A, detail::DoSYMAMD(A));
}

template <typename T>
ReorderedMatrix<T> reorderWithPermutation(kyraSparseReordering kind, const HostCsrMatrix<T>& A) {
    ReorderedMatrix<T> result;
    switch (kind) {
        case kyraSparseAmdReordering:
            result.permutation = detail::DoCOLAMD(A);
            break;
        case kyraSparseSymamdReordering:
            result.permutation = detail::DoSYMAMD(A);
            break;
        default:
            result.matrix = copyOf(A);
            return result;
    }
    result.matrix = permutedCopy(A, result.permutation);
    return result;
}

template <typename T>
std::shared_ptr<HostCsrMatrix<T>> reorder(kyraSparseReordering kind, const HostCsrMatrix<T>& A) {
    return reorderWithPermutation(kind, A).matrix;
}

#define KYRA_INSTANTIATE_REORDER(T)                                                                    \
    template std::shared_ptr<HostCsrMatrix<T>> reorder(kyraSparseReordering, const HostCsrMatrix<T>&); \
    template ReorderedMatrix<T> reorderWithPermutation(kyraSparseReordering, const HostCsrMatrix<T>&); \
    template std::shared_ptr<HostCsrMatrix<T>> COLAMD(const HostCsrMatrix<T>&);                        \
    template std::shared_ptr<HostCsrMatrix<T>> SYMAMD(const HostCsrMatrix<T>&);                        \
    template std::vector<int> detail::DoCOLAMD(const HostCsrMatrix<T>&);                               \
    template std::vector<int> detail::DoSYMAMD(const HostCsrMatrix<T>&);                               \
    template void detail::permute(const HostCsrMatrix<T>&, HostCsrMatrix<T>&, const std::vector<int>&, \
                                  const std::vector<int>&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_REORDER)

}  // namespace Iterative
