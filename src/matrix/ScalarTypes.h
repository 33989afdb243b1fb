#ifndef KYRA_MATRIX_SCALARTYPES_H
#define KYRA_MATRIX_SCALARTYPES_H

// The one list of the four scalar types. Templates written once are
// instantiated for all four by passing a one-argument macro, e.g.
//   #define INSTANTIATE(T) template class HostVectorAlloc<T>;
//   KYRA_FOR_EACH_SCALAR(INSTANTIATE)

#include "core/Complex.h"

#define KYRA_FOR_EACH_SCALAR(MACRO) \
    MACRO(float)                    \
    MACRO(double)                   \
    MACRO(kyra::Complex<float>)     \
    MACRO(kyra::Complex<double>)

#endif
