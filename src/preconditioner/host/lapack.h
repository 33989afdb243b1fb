#ifndef KYRA_PRECONDITIONER_HOST_LAPACK_H
#define KYRA_PRECONDITIONER_HOST_LAPACK_H

// The two LAPACK drivers of the approximate-inverse set-ups behind one name
// per operation for the four scalar types. Column-major storage; the _work
// forms are used so that LAPACKE neither allocates nor transposes. LAPACKE's
// complex types are our own complex scalar, which has their layout.

#include "core/Complex.h"

#define LAPACK_COMPLEX_CUSTOM
#define lapack_complex_float kyra::Complex<float>
#define lapack_complex_double kyra::Complex<double>
#include <lapacke.h>

namespace pc {
namespace host {

template <typename T>
struct Lapack;

// Each specialisation offers
//   gels: least squares min |A x - b| for the m x n matrix A (m >= n),
//         x returned in the first n entries of b; lwork -1 queries the
//         workspace size into work[0];
//   posv: solves A x = b for a positive definite A given by its lower
//         triangle, x returned in b.
// Both return LAPACK's info.
#define KYRA_LAPACK_TRAITS(T, prefix)                                                                        \
    template <>                                                                                              \
    struct Lapack<T> {                                                                                       \
        static int gels(int m, int n, T* a, int lda, T* b, int ldb, T* work, int lwork) {                    \
            return LAPACKE_##prefix##gels_work(LAPACK_COL_MAJOR, 'N', m, n, 1, a, lda, b, ldb, work, lwork); \
        }                                                                                                    \
        static int posv(int n, T* a, int lda, T* b, int ldb) {                                               \
            return LAPACKE_##prefix##posv_work(LAPACK_COL_MAJOR, 'L', n, 1, a, lda, b, ldb);                 \
        }                                                                                                    \
    };

KYRA_LAPACK_TRAITS(float, s)
KYRA_LAPACK_TRAITS(double, d)
KYRA_LAPACK_TRAITS(kyra::Complex<float>, c)
KYRA_LAPACK_TRAITS(kyra::Complex<double>, z)

#undef KYRA_LAPACK_TRAITS

}  // namespace host
}  // namespace pc

#endif
