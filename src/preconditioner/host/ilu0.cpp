#include "preconditioner/host/ilu0.h"

#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/ScalarTypes.h"

namespace pc {
namespace host {

namespace {

using Iterative::KyraSparseExceptionTemplate;

// Zero-based view of the CSR arrays; small, so it is passed by value and
// lives in registers in the loops below.
struct Pattern {
    const int* rowPtr;
    const int* colInd;
    int base;

    int begin(int row) const { return rowPtr[row] - base; }
    int end(int row) const { return rowPtr[row + 1] - base; }
    int col(int p) const { return colInd[p] - base; }
};

// Storage position of the first entry of each row that lies in its own column.
std::vector<int> findDiagonals(int m, Pattern a) {
    std::vector<int> diag(m);
    for (int i = 0; i < m; ++i) {
        const int end = a.end(i);
        int p = a.begin(i);
        while (p < end && a.col(p) != i) ++p;
        if (p == end) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
                "input matrix is missing a diagonal element");
        }
        diag[i] = p;
    }
    return diag;
}

// Records where each column of row i is stored, and checks the order.
void scatterRow(int i, Pattern a, int* iw) {
    const int end = a.end(i);
    int previous = -1;
    for (int p = a.begin(i); p < end; ++p) {
        const int c = a.col(p);
        if (c <= previous) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise("input matrix must be sorted");
        }
        iw[c] = p;
        previous = c;
    }
}

void clearRow(int i, Pattern a, int* iw) {
    const int end = a.end(i);
    for (int p = a.begin(i); p < end; ++p) iw[a.col(p)] = -1;
}

// Row i minus multiples of the rows k < i it references, restricted to
// row i's pattern: l_ik = a_ik / u_kk, then a_ij -= l_ik u_kj.
template <typename T>
void eliminateRow(int i, Pattern a, const int* diag, const int* iw, T* val) {
    const int diagonal = diag[i];
    for (int j = a.begin(i); j < diagonal; ++j) {
        const int k = a.col(j);
        const T pivot = val[diag[k]];
        if (kyra::isZero(pivot)) {
            KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
                "input matrix has an explicit zero on the diagonal");
        }
        const T lik = val[j] * (T(1) / pivot);
        val[j] = lik;
        const int endK = a.end(k);
        for (int q = diag[k] + 1; q < endK; ++q) {
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
        scatterRow(i, a, iw.data());
        eliminateRow(i, a, diag.data(), iw.data(), val);
        clearRow(i, a, iw.data());
    }
}

#define KYRA_INSTANTIATE_ILU0(T) template void ilu0<T>(int, int, int, int, T*, const int*, const int*);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_ILU0)

}  // namespace host
}  // namespace pc
