#ifndef KYRA_SOLVER_KRYLOVSCALARS_H
#define KYRA_SOLVER_KRYLOVSCALARS_H

// Scalar tests and small host-side kernels shared by the Krylov methods.

#include "core/Complex.h"

namespace Iterative {

// A scalar the recurrences cannot go on with: infinite, NaN or exactly zero
// (both parts zero for complex types).
template <typename T>
bool breaksDown(const T& v) {
    return !kyra::IsFinite(v) || kyra::isZero(v);
}

// An inner product that a positive definite operator must make positive;
// for complex types only the real part is tested.
template <typename T>
bool isPositiveReal(const T& v) {
    return kyra::realPart(v) > kyra::Real<T>(0);
}

// A complex Givens rotation G = [conj(c) -conj(s); s c] acting on a pair
// of rows. Made from (a, b) it maps them to (d, 0), d = sqrt(|a|^2 + |b|^2).
template <typename T>
struct GivensRotation {
    T c = T(1);
    T s = T(0);

    static GivensRotation annihilating(const T& a, const T& b) {
        const kyra::Real<T> absA = kyra::abs(a);
        const kyra::Real<T> absB = kyra::abs(b);
        const kyra::Real<T> d = std::sqrt(absA * absA + absB * absB);
        return {a / T(d), -b / T(d)};
    }

    void apply(T& upper, T& lower) const {
        const T newUpper = kyra::conj(c) * upper - kyra::conj(s) * lower;
        lower = s * upper + c * lower;
        upper = newUpper;
    }
};

}  // namespace Iterative

#endif
