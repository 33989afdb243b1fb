#ifndef KYRA_MATRIX_CSRMATRIX_H
#define KYRA_MATRIX_CSRMATRIX_H

// A matrix in compressed sparse row form: values and column indices of row i
// lie at positions rowPtr[i] - base .. rowPtr[i+1] - base - 1, with base the
// index base (0 or 1) that also applies to the column indices.

#include "matrix/Matrix.h"

namespace Iterative {

template <typename T>
class CsrMatrix : public Matrix<T> {
  public:
    virtual int nnz() const = 0;
    virtual IndexType index() const = 0;

    virtual T* val() = 0;
    virtual int* rowPtr() = 0;
    virtual int* colInd() = 0;
    virtual const T* val() const = 0;
    virtual const int* rowPtr() const = 0;
    virtual const int* colInd() const = 0;
};

}  // namespace Iterative

#endif
