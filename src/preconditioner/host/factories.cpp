#include "preconditioner/host/factories.h"

#include <omp.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/host/block_jacobi.h"
#include "preconditioner/host/factorized_spai.h"
#include "preconditioner/host/ilu0.h"
#include "preconditioner/host/jacobi.h"
#include "preconditioner/host/parallel.h"
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

// An approximate inverse without entries cannot be applied: it comes from a
// matrix without entries, or from dropping every entry (non-finite values
// are never kept).
void requireEntries(int nnz, const char* what) {
    if (nnz == 0) {
        Iterative::KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(std::string(what) +
                                                                                     " has no entries");
    }
}

// A zero-based matrix sharing the pattern's arrays, with new zero values.
template <typename T>
std::shared_ptr<HostCsrMatrixSharedRef<T>> onPattern(const HostCsrMatrix<T>& A, const CsrPattern& pattern,
                                                     const char* what) {
    requireEntries(pattern.nnz(), what);
    return std::make_shared<HostCsrMatrixSharedRef<T>>(A.m(), A.n(), pattern.nnz(), pattern.rowPtr,
                                                       pattern.colInd, IndexType::ZeroBased);
}

// M itself, or a new matrix without M's off-diagonal entries below the
// tolerance when one is set.
template <typename T>
MatrixPointer<T> dropSmallEntries(double tolerance, std::shared_ptr<HostCsrMatrixSharedRef<T>> M,
                                  const char* what) {
    if (!(tolerance > 0.0)) return M;
    const CsrMatrix<T> kept =
        drop_tolerance<T>(tolerance, M->m(), M->n(), 0, M->val(), M->rowPtr(), M->colInd());
    requireEntries(kept.nnz(), what);
    return std::make_shared<HostCsrMatrixSharedRef<T>>(M->m(), M->n(), kept.nnz(), kept.val, kept.rowPtr,
                                                       kept.colInd, IndexType::ZeroBased);
}

}  // namespace

template <typename T>
MatrixPointer<T> makeJacobi(const HostCsrMatrix<T>& A, const kyraSparseJacobiOptions&) {
    auto D = std::make_shared<Iterative::HostDiagonalMatrix<T>>(A.n(), A.index());
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

namespace {

// Rows whose values are handed from the copying thread to the factoring one
// at a time: small enough that the factoring thread starts at once, large
// enough that the hand-overs cost nothing.
constexpr int kIlu0RowsPerStep = 8192;

// The factorisation is serial and reads A's own pattern, so a second thread
// copies into the result, ahead of it, first the values row step by row
// step and then the pattern: the copy and the page faults of the new arrays
// cost no time. With a team of one the copy simply comes first.
template <typename T>
void copyBesideIlu0(const HostCsrMatrix<T>& A, HostCsrMatrix<T>& LU, Ilu0Rows<T>& rows) {
    const int m = A.m();
    const int nnz = A.nnz();
    const int base = baseOf(A);
    const int* rowPtr = A.rowPtr();
    Progress copiedRows;
    ExceptionSlot failure;
#pragma omp parallel num_threads(std::min(2, omp_get_max_threads()))
    {
        const bool copier = omp_get_thread_num() == 1 || omp_get_num_threads() == 1;
        const bool factorer = omp_get_thread_num() == 0;
        if (copier) {
            for (int first = 0; first < m && !failure.raised(); first += kIlu0RowsPerStep) {
                const int last = std::min(m, first + kIlu0RowsPerStep);
                std::copy(A.val() + rowPtr[first] - base, A.val() + rowPtr[last] - base,
                          LU.val() + rowPtr[first] - base);
                copiedRows.publish(last);
            }
            std::copy_n(rowPtr, m + 1, LU.rowPtr());
            std::copy_n(A.colInd(), nnz, LU.colInd());
        }
        if (factorer) {
            try {
                for (int done = 0; done < m;) {
                    done = copiedRows.waitBeyond(done);
                    rows.factorUpTo(done);
                }
            } catch (...) {
                failure.capture();
            }
        }
    }
    failure.rethrowIfRaised();
}

}  // namespace

template <typename T>
MatrixPointer<T> makeIlu0(const HostCsrMatrix<T>& A, const kyraSparseIlu0Options&) {
    auto LU =
        std::make_shared<HostCsrMatrixAlloc<T>>(A.m(), A.n(), A.nnz(), A.index(), Iterative::Unwritten{});
    Ilu0Rows<T> rows(A.m(), A.n(), baseOf(A), LU->val(), A.rowPtr(), A.colInd());
    copyBesideIlu0(A, *LU, rows);
    rows.finish();
    return LU;
}

// The base is checked before the pattern is built: the pattern routines use
// stored indices as they are.
template <typename T>
MatrixPointer<T> makeAinv(const HostCsrMatrix<T>& A, const kyraSparseAinvOptions& options) {
    requireZeroBased(baseOf(A), "spai preconditioning");
    const CsrPattern pattern =
        GetPowerPattern(patternPower(options.pattern), A.n(), A.nnz(), A.rowPtr(), A.colInd());
    const char* what = "approximate inverse";
    auto M = onPattern(A, pattern, what);
    spai<T>(A.m(), A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), M->val(), M->rowPtr(),
            M->colInd());
    return dropSmallEntries(options.dropTolerance, M, what);
}

template <typename T>
MatrixPointer<T> makeFactorizedAinv(const HostCsrMatrix<T>& A, const kyraSparseFainvOptions& options) {
    requireZeroBased(baseOf(A), "factorized spai preconditioning");
    const CsrPattern pattern =
        GetUpperPowerPattern(patternPower(options.pattern), A.n(), A.nnz(), A.rowPtr(), A.colInd());
    const char* what = "factorized approximate inverse";
    auto Z = onPattern(A, pattern, what);
    factorized_spai<T>(A.n(), A.nnz(), baseOf(A), A.val(), A.rowPtr(), A.colInd(), Z->val(), Z->rowPtr(),
                       Z->colInd());
    return dropSmallEntries(options.dropTolerance, Z, what);
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
