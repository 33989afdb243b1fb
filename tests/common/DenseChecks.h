#ifndef KYRA_TESTS_DENSECHECKS_H
#define KYRA_TESTS_DENSECHECKS_H

// Dense reference arithmetic and element-wise comparisons for the four scalar
// types, and the status and text of a raised library failure.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "common/RandomScalars.h"
#include "core/Complex.h"
#include "core/Exception.h"

using AllScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;

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
