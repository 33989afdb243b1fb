#ifndef KYRA_MATRIX_CUDAINDEXCHECK_H
#define KYRA_MATRIX_CUDAINDEXCHECK_H

// The device twin of IndexCheck.h, for index arrays in device memory: one
// pass on the device checks that compressed pointers start at the index base,
// never decrease and end at nnz + base, and that every index names one of the
// n rows or columns. The descriptions are those of the host check ("colInd[17]
// = 1000 is out of range for n = 100"), so both platforms report a bad array
// alike. Only the verdict and the few offending values cross to the host.
//
// The find* functions return the description of the first fault or an empty
// string; the check* functions raise it as status 4 (data format error).
// Device failures raise the CUDA support library's exceptions. CUDA builds
// only.

#include <string>

namespace Iterative {

std::string findCudaCsrIndexError(int n, int nnz, const int* rowPtr, const int* colInd, int base);
std::string findCudaCscIndexError(int n, int nnz, const int* colPtr, const int* rowInd, int base);
std::string findCudaCooIndexError(int n, int nnz, const int* rowInd, const int* colInd, int base);

void checkCudaCsrIndices(int n, int nnz, const int* rowPtr, const int* colInd, int base);
void checkCudaCscIndices(int n, int nnz, const int* colPtr, const int* rowInd, int base);
void checkCudaCooIndices(int n, int nnz, const int* rowInd, const int* colInd, int base);

}  // namespace Iterative

#endif
