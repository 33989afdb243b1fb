#include "preconditioner/host/ilu0.h"

#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

namespace pc {
namespace host {

namespace {

using Iterative::KyraSparseExceptionTemplate;

// Zero-based view of the CSR arrays.
struct Pattern {
    const int* rowPtr;
    const int* colInd;
    int base;

    int begin(int row) const { return rowPtr[row] - base; }
    int end(int row) const { return rowPtr[row + 1] - base; }
    int col(int p) const { return colInd[p] - base; }
};

// Storage position of the first entry of each row that lies in its own column.
std::vector<int> findDiagonals(int m, const Pattern& a) {
    std::vector<int> diag(m);
    for (int i = 0; i < m; ++i) {
        int p = a.begin(i);
        while (p < a.end(i) && a.col(p) != i) ++p;
        if (p == a.end(i)) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
                "input matrix is missing a diagonal element");
        }
        diag[i] = p;
    }
    return diag;
}

// Records where each column of row i is stored, and checks the order.
void scatterRow(int i, const Pattern& a, std::vector<int>& iw) {
    for (int p = a.begin(i); p < a.end(i); ++p) {
        iw[a.col(p)] = p;
        if (p > a.begin(i) && a.col(p) <= a.col(p - 1)) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise("input matrix must be sorted");
        }
    }
}

void clearRow(int i, const Pattern& a, std::vector<int>& iw) {
    for (int p = a.begin(i); p < a.end(i); ++p) iw[a.col(p)] = -1;
}

// Row i minus multiples of the rows k < i it references, restricted to
// row i's pattern: l_ik = a_ik / u_kk, then a_ij -= l_ik u_kj.
template <typename T>
void eliminateRow(int i, const Pattern& a, const std::vector<int>& diag, const std::vector<int>& iw, T* val) {
    for (int j = a.begin(i); j < diag[i]; ++j) {
        const int k = a.col(j);
        const T pivot = val[diag[k]];
        if (kyra::isZero(pivot)) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
                "input matrix has an explicit zero on the diagonal");
        }
        val[j] = val[j] * (T(1) / pivot);
        const T lik = val[j];
        for (int q = diag[k] + 1; q < a.end(k); ++q) {
            const int target = iw[a.col(q)];
            if (target != -1) val[target] -= lik * val[q];
        }
    }
}

}  // namespace

template <typename T>
void ilu0(int m, int n, int /*nnz*/, int base, T* val, const int* rowPtr, const int* colInd) {
    const Pattern a{rowPtr, colInd, base};
    const std::vector<int> diag = findDiagonals(m, a);
    std::vector<int> iw(n, -1);
    for (int i = 0; i < m; ++i) {
        scatterRow(i, a, iw);
        eliminateRow(i, a, diag, iw, val);
        clearRow(i, a, iw);
    }
}

#define KYRA_INSTANTIATE_ILU0(T) template void ilu0<T>(int, int, int, int, T*, const int*, const int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_ILU0)

}  // namespace host
}  // namespace pc
