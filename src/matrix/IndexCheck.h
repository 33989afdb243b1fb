#ifndef KYRA_MATRIX_INDEXCHECK_H
#define KYRA_MATRIX_INDEXCHECK_H

// Validation of the caller's sparse index arrays before anything reads them
// as addresses: compressed pointers must start at the index base, never
// decrease and end at nnz + base, and every index must name one of the n rows
// or columns. One pass over the arrays, parallel when they are large.
//
// The find* functions describe the first fault ("colInd[17] = 1000 is out of
// range for n = 100") or return an empty string; the check* functions raise
// that description as status 4 (data format error).

#include <string>

namespace Iterative {

std::string findCsrIndexError(int n, int nnz, const int* rowPtr, const int* colInd, int base);
std::string findCscIndexError(int n, int nnz, const int* colPtr, const int* rowInd, int base);
std::string findCooIndexError(int n, int nnz, const int* rowInd, const int* colInd, int base);

void checkCsrIndices(int n, int nnz, const int* rowPtr, const int* colInd, int base);
void checkCscIndices(int n, int nnz, const int* colPtr, const int* rowInd, int base);
void checkCooIndices(int n, int nnz, const int* rowInd, const int* colInd, int base);

}  // namespace Iterative

#endif
