#ifndef KYRA_TESTS_DENSECHECKS_H
#define KYRA_TESTS_DENSECHECKS_H

// Dense reference arithmetic for the four scalar types, written with plain
// loops so that it trusts none of the library's kernels (Dense works in
// double precision); random values, element-wise comparisons, and the status
// and text of a raised library failure.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"

using AllScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;

// The double-precision type of the same kind as T.
template <typename T>
using Wide = std::conditional_t<kyra::IsComplex<T>::value, kyra::Complex<double>, double>;

// A value with real part re and imaginary part im (dropped for real types).
template <typename T>
T scalar(double re, double im = 0.0) {
    if constexpr (kyra::IsComplex<T>::value) {
        using R = kyra::Real<T>;
        return T(static_cast<R>(re), static_cast<R>(im));
    } else {
        return static_cast<T>(re);
    }
}

template <typename T>
Wide<T> widen(const T& v) {
    return scalar<Wide<T>>(kyra::realPart(v), kyra::imagPart(v));
}

template <typename T>
double norm(const std::vector<T>& v) {
    double sum = 0.0;
    for (const T& e : v) sum += kyra::abs(widen(e)) * kyra::abs(widen(e));
    return std::sqrt(sum);
}

// A dense n x n matrix of Wide<T>, element (i, j) at i * n + j.
template <typename T>
class Dense {
  public:
    explicit Dense(int n) : n_(n), a_(static_cast<std::size_t>(n) * n, Wide<T>(0)) {}

    static Dense identity(int n) {
        Dense I(n);
        for (int i = 0; i < n; ++i) I(i, i) = Wide<T>(1);
        return I;
    }

    int n() const { return n_; }
    Wide<T>& operator()(int i, int j) { return a_[static_cast<std::size_t>(i) * n_ + j]; }
    const Wide<T>& operator()(int i, int j) const { return a_[static_cast<std::size_t>(i) * n_ + j]; }
    bool operator==(const Dense& b) const { return a_ == b.a_; }

    Dense operator*(const Dense& b) const {
        Dense c(n_);
        for (int i = 0; i < n_; ++i)
            for (int k = 0; k < n_; ++k)
                for (int j = 0; j < n_; ++j) c(i, j) += (*this)(i, k) * b(k, j);
        return c;
    }

    Dense operator-(const Dense& b) const {
        Dense c(n_);
        for (std::size_t k = 0; k < a_.size(); ++k) c.a_[k] = a_[k] - b.a_[k];
        return c;
    }

    // A x for x of the narrow type, in double precision.
    std::vector<Wide<T>> operator*(const std::vector<T>& x) const {
        std::vector<Wide<T>> y(n_, Wide<T>(0));
        for (int i = 0; i < n_; ++i)
            for (int j = 0; j < n_; ++j) y[i] += (*this)(i, j) * widen(x[j]);
        return y;
    }

    // op(A): the transpose (conjugated or not) of A.
    Dense transposed(bool conjugate = true) const {
        Dense c(n_);
        for (int i = 0; i < n_; ++i)
            for (int j = 0; j < n_; ++j) c(j, i) = conjugate ? kyra::conj((*this)(i, j)) : (*this)(i, j);
        return c;
    }

    double maxAbs() const {
        double m = 0;
        for (const Wide<T>& v : a_) m = std::max(m, kyra::abs(v));
        return m;
    }

    double maxDifference(const Dense& b) const { return (*this - b).maxAbs(); }

  private:
    int n_;
    std::vector<Wide<T>> a_;
};

// The matrix behind CSR arrays of either index base; duplicates add up.
template <typename T>
Dense<T> toDense(int n, int base, const T* val, const int* rowPtr, const int* colInd) {
    Dense<T> d(n);
    for (int i = 0; i < n; ++i)
        for (int p = rowPtr[i] - base; p < rowPtr[i + 1] - base; ++p) d(i, colInd[p] - base) += widen(val[p]);
    return d;
}

template <typename T>
T randomScalar(std::mt19937& rng) {
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    const double re = uniform(rng);
    return scalar<T>(re, kyra::IsComplex<T>::value ? uniform(rng) : 0.0);
}

template <typename T>
double tolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-4 : 1e-12;
}

template <typename T>
std::vector<T> randomVector(int n, std::mt19937& rng) {
    std::vector<T> v(n);
    for (T& e : v) e = randomScalar<T>(rng);
    return v;
}

// op(A) x for the m x k matrix A whose (i, j) entry is entry(i, j); op is
// 'N', 'T' or 'C'.
template <typename T, typename Entry>
std::vector<T> denseProduct(int m, int k, const Entry& entry, char op, const std::vector<T>& x) {
    const bool plain = op == 'N';
    std::vector<T> y(plain ? m : k, T(0));
    for (int r = 0; r < static_cast<int>(y.size()); ++r) {
        for (int c = 0; c < (plain ? k : m); ++c) {
            const T a = plain ? entry(r, c) : entry(c, r);
            y[r] += (op == 'C' ? kyra::conj(a) : a) * x[c];
        }
    }
    return y;
}

// alpha op(A) x + beta y.
template <typename T, typename Entry>
std::vector<T> denseProduct(int m, int k, const Entry& entry, char op, T alpha, const std::vector<T>& x,
                            T beta, const std::vector<T>& y) {
    std::vector<T> out = denseProduct(m, k, entry, op, x);
    for (size_t r = 0; r < out.size(); ++r) out[r] = alpha * out[r] + beta * y[r];
    return out;
}

// The entries a triangular solve uses: one triangle of entry's matrix, with
// ones on the diagonal when unit.
template <typename Entry>
auto triangleOf(const Entry& entry, bool lower, bool unit) {
    return [entry, lower, unit](int i, int j) {
        using T = std::decay_t<decltype(entry(i, j))>;
        if (i == j && unit) return T(1);
        return (lower ? j <= i : j >= i) ? entry(i, j) : T(0);
    };
}

// |expected - actual| <= tol (scale + |expected|) for every element.
template <typename T>
void expectAllClose(const std::vector<T>& expected, const T* actual, double tol = tolerance<T>(),
                    double scale = 1.0) {
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_LE(kyra::abs(expected[i] - actual[i]), tol * (scale + kyra::abs(expected[i])))
            << "element " << i;
    }
}

template <typename T>
void expectAllClose(const std::vector<T>& expected, const std::vector<T>& actual, double tol = tolerance<T>(),
                    double scale = 1.0) {
    ASSERT_EQ(expected.size(), actual.size());
    expectAllClose(expected, actual.data(), tol, scale);
}

// "<status>: <text>" of the library failure operation raises.
template <typename Operation>
std::string failureOf(Operation operation) {
    try {
        operation();
    } catch (const Iterative::KyraSparseException& e) {
        return std::to_string(e.code()) + ": " + e.what();
    }
    return "no exception";
}

#endif
