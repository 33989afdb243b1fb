#ifndef KYRA_TESTS_RANDOMSCALARS_H
#define KYRA_TESTS_RANDOMSCALARS_H

// Random values of the four scalar types and the tolerance of a comparison
// in each precision.

#include <random>
#include <type_traits>

#include "core/Complex.h"

template <typename T>
T randomScalar(std::mt19937& rng) {
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    using R = kyra::Real<T>;
    if constexpr (kyra::IsComplex<T>::value) {
        const R re = static_cast<R>(uniform(rng));
        return T(re, static_cast<R>(uniform(rng)));
    } else {
        return static_cast<T>(uniform(rng));
    }
}

template <typename T>
double tolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-4 : 1e-12;
}

#endif
