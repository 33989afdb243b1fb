#include "preconditioner/host/factories.h"

#include <vector>

#include "matrix/ScalarTypes.h"
#include "preconditioner/host/block_jacobi.h"
#include "preconditioner/host/factorized_spai.h"
#include "preconditioner/host/ilu0.h"
#include "preconditioner/host/jacobi.h"
#include "preconditioner/host/power_pattern.h"
#include "preconditioner/host/spai.h"

namespace pc {
namespace host {

namespace {

using Iterative::HostCsrMatrix;
using Iterative::HostCsrMatrixAlloc;
using Iterative::HostCsrMatrixSharedRef;
using Iterative::IndexType;

template <typename T>
int baseOf(const HostCsrMatrix<T>& A) {
    return A.index().toInt();
}

// A zero-based matrix sharing the pattern's arrays, with new zero values.
template <typename T>
std::shared_ptr<HostCsrMatrixSharedRef<T>> onPattern(const HostCsrMatrix<T>& A, const CsrPattern& pattern) {
    return std::make_shared<HostCsrMatrixSharedRef<T>>(A.m(), A.n(), pattern.nnz(), pattern.rowPtr,
                                                       pattern.colInd, IndexType::ZeroBased);
}

// M itself, or a new matrix without M's off-diagonal entries below the
// tolerance when one is set.
template <typename T>
MatrixPointer<T> dropSmallEntries(double tolerance, std::shared_ptr<HostCsrMatrixSharedRef<T>> M) {
    if (!(tolerance > 0.0)) return M;
    const CsrMatrix<T> kept =
        drop_tolerance<T>(tolerance, M->m(), M->n(), 0, M->val(), M->rowPtr(), M->colInd());
    return std::make_shared<HostCsrMatrixSharedRef<T>>(M->m(), M->n(), kept.nnz(), kept.val, kept.rowPtr,
                                                       kept.colInd, IndexType::ZeroBased);
}

}  // namespace

template <typename T>
MatrixPointer<T> makeJacobi(const HostCsrMatrix<T>& A, const kyraSparseJacobiOptions&) {
    auto D = std::make_shared<HostCsrMatrixAlloc<T>>(A.m(), A.n(), A.n(), A.index());
    jacobi<T>(A.m(), A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), D->val(), D->rowPtr(),
              D->colInd());
    return D;
}

template <typename T>
MatrixPointer<T> makeBlockJacobi(const HostCsrMatrix<T>& A, const kyraSparseBlockjacobiOptions& options) {
    const int b = options.blockSize;
    auto M = std::make_shared<HostCsrMatrixAlloc<T>>(A.m(), A.n(), b * A.m(), A.index());
    block_jacobi<T>(b, A.m(), A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), M->val(),
                    M->rowPtr(), M->colInd());
    return M;
}

// The copy of A is built by copy-constructing its arrays, which touches the
// new memory once instead of zeroing it first.
template <typename T>
MatrixPointer<T> makeIlu0(const HostCsrMatrix<T>& A, const kyraSparseIlu0Options&) {
    auto val = std::make_shared<std::vector<T>>(A.val(), A.val() + A.nnz());
    auto rowPtr = std::make_shared<std::vector<int>>(A.rowPtr(), A.rowPtr() + A.m() + 1);
    auto colInd = std::make_shared<std::vector<int>>(A.colInd(), A.colInd() + A.nnz());
    ilu0<T>(A.m(), A.n(), A.nnz(), baseOf(A), val->data(), rowPtr->data(), colInd->data());
    return std::make_shared<HostCsrMatrixSharedRef<T>>(A.m(), A.n(), A.nnz(), std::move(val),
                                                       std::move(rowPtr), std::move(colInd), A.index());
}

// The base is checked before the pattern is built: the pattern routines use
// stored indices as they are.
template <typename T>
MatrixPointer<T> makeAinv(const HostCsrMatrix<T>& A, const kyraSparseAinvOptions& options) {
    requireZeroBased(baseOf(A), "spai preconditioning");
    const CsrPattern pattern =
        GetPowerPattern(patternPower(options.pattern), A.n(), A.nnz(), A.rowPtr(), A.colInd());
    auto M = onPattern(A, pattern);
    spai<T>(A.m(), A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), M->val(), M->rowPtr(),
            M->colInd());
    return dropSmallEntries(options.dropTolerance, M);
}

template <typename T>
MatrixPointer<T> makeFactorizedAinv(const HostCsrMatrix<T>& A, const kyraSparseFainvOptions& options) {
    requireZeroBased(baseOf(A), "factorized spai preconditioning");
    const CsrPattern pattern =
        GetUpperPowerPattern(patternPower(options.pattern), A.n(), A.nnz(), A.rowPtr(), A.colInd());
    auto Z = onPattern(A, pattern);
    factorized_spai<T>(A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), Z->val(), Z->rowPtr(),
                       Z->colInd());
    return dropSmallEntries(options.dropTolerance, Z);
}

#define KYRA_INSTANTIATE_HOST_FACTORIES(T)                                                            \
    template MatrixPointer<T> makeJacobi<T>(const HostCsrMatrix<T>&, const kyraSparseJacobiOptions&); \
    template MatrixPointer<T> makeBlockJacobi<T>(const HostCsrMatrix<T>&,                             \
                                                 const kyraSparseBlockjacobiOptions&);                \
    template MatrixPointer<T> makeIlu0<T>(const HostCsrMatrix<T>&, const kyraSparseIlu0Options&);     \
    template MatrixPointer<T> makeAinv<T>(const HostCsrMatrix<T>&, const kyraSparseAinvOptions&);     \
    template MatrixPointer<T> makeFactorizedAinv<T>(const HostCsrMatrix<T>&, const kyraSparseFainvOptions&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_HOST_FACTORIES)

}  // namespace host
}  // namespace pc
