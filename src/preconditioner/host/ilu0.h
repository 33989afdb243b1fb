#ifndef KYRA_PRECONDITIONER_HOST_ILU0_H
#define KYRA_PRECONDITIONER_HOST_ILU0_H

#include <vector>

namespace pc {
namespace host {

// Incomplete LU factorisation with zero fill-in of the m x n CSR matrix
// (index base `base`), in place on val: afterwards the strictly lower part
// holds the unit lower factor L and the rest the upper factor U, with L U
// equal to A on A's pattern. Row-oriented (IKJ) elimination; columns within
// a row must be strictly increasing.
//
// Raises status 2 with
//   "input matrix is missing a diagonal element" (checked for every row
//       before any value changes),
//   "input matrix must be sorted" (checked for each row as it is reached),
//   "input matrix has an explicit zero on the diagonal" (a pivot that is
//       exactly zero when it is used).
template <typename T>
void ilu0(int m, int n, int nnz, int base, T* val, const int* rowPtr, const int* colInd);

// ilu0 in steps, for a caller that makes the values of later rows available
// while earlier rows are being factored. The constructor checks the pattern
// (the missing-diagonal failure); factorUpTo(end) factors the rows not yet
// factored below `end`, whose values must be in place; finish() reports an
// unsorted row once every row before it has been factored.
template <typename T>
class Ilu0Rows {
  public:
    Ilu0Rows(int m, int n, int base, T* val, const int* rowPtr, const int* colInd);

    void factorUpTo(int end);
    void finish() const;

  private:
    int m_;
    int base_;
    T* val_;
    const int* rowPtr_;
    const int* colInd_;
    std::vector<int> diag_;
    int firstUnsorted_;
    std::vector<int> iw_;
    int next_ = 0;
};

}  // namespace host
}  // namespace pc

#endif
