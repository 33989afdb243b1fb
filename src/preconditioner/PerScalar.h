#ifndef KYRA_PRECONDITIONER_PERSCALAR_H
#define KYRA_PRECONDITIONER_PERSCALAR_H

// What a preconditioner's set-up produced, kept per scalar type: one shared
// handle to an X<T> for each of the four types, empty until set up for it.

#include "core/TypedContainer.h"

namespace Iterative {

template <template <typename> class X>
using PerScalar = TypedContainer<X>;

// Instantiates a preconditioner's generate_<T> and apply_<T> for the four
// types in its .cpp file.
#define KYRA_INSTANTIATE_PRECONDITIONER_FOR(Class, T)                                     \
    template void Class::generate_<T>(const Context&, const Platform&, const Matrix<T>&); \
    template void Class::apply_<T>(TransOp, const Vector<T>&, Vector<T>&) const;
#define KYRA_INSTANTIATE_PRECONDITIONER(Class)                       \
    KYRA_INSTANTIATE_PRECONDITIONER_FOR(Class, float)                \
    KYRA_INSTANTIATE_PRECONDITIONER_FOR(Class, double)               \
    KYRA_INSTANTIATE_PRECONDITIONER_FOR(Class, kyra::Complex<float>) \
    KYRA_INSTANTIATE_PRECONDITIONER_FOR(Class, kyra::Complex<double>)

}  // namespace Iterative

#endif
