#ifndef KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H
#define KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H

// Pieces of the preconditioner tests: dense products of factors, and the
// failure text of a kernel run with a given thread count.

#include <gtest/gtest.h>
#include <omp.h>

#include <functional>
#include <vector>

#include "common/TestMatrices.h"
#include "matrix/HostCsrMatrix.h"
#include "preconditioner/host/factories.h"

namespace pctest {

using Iterative::HostCsrMatrix;

template <typename T>
const HostCsrMatrix<T>& hostCsr(const std::shared_ptr<Iterative::Matrix<T>>& M) {
    return dynamic_cast<const HostCsrMatrix<T>&>(*M);
}

// L (unit diagonal, strictly lower entries) times U (the rest) of ILU0
// factors held in one matrix.
template <typename T>
Dense<T> productOfFactors(const Dense<T>& f) {
    Dense<T> L = Dense<T>::identity(f.n()), U(f.n());
    for (int i = 0; i < f.n(); ++i)
        for (int j = 0; j < f.n(); ++j) (j < i ? L(i, j) : U(i, j)) = f(i, j);
    return L * U;
}

// The failure text of run with a team of `threads`.
inline std::string failureWithThreads(int threads, const std::function<void()>& run) {
    const int saved = omp_get_max_threads();
    omp_set_num_threads(threads);
    const std::string text = failureOf(run);
    omp_set_num_threads(saved);
    return text;
}

}  // namespace pctest

#endif
