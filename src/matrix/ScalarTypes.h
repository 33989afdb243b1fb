#ifndef KYRA_MATRIX_SCALARTYPES_H
#define KYRA_MATRIX_SCALARTYPES_H

// The one list of the four scalar types. Templates written once are
// instantiated for all four by passing a one-argument macro, e.g.
//   #define INSTANTIATE(T) template class HostVectorAlloc<T>;
//   KYRA_FOR_EACH_SCALAR(INSTANTIATE)

#include "core/Complex.h"

#ifndef KYRA_FOR_EACH_SCALAR
#define KYRA_FOR_EACH_SCALAR(X) X(float) X(double) X(kyra::Complex<float>) X(kyra::Complex<double>)
#endif

#endif
